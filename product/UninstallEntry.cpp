#include "product/UninstallEntry.h"

#include "product/ProductTable.h"

namespace stp {

std::u16string UninstallKeyPath(const std::u16string& DisplayName) {
    return std::u16string(kUninstallRoot) + u"\\" + DisplayName;
}

std::vector<std::pair<std::u16string, std::u16string>> UninstallValues(
    int Mode, const std::u16string& SetupDir, const std::u16string& ExeName, const std::u16string& DisplayName,
    const std::u16string& Version, const std::u16string& WebChinese, const std::u16string& WebHome) {
    TUninstallEntry entry{Mode, SetupDir, ExeName, DisplayName, Version, WebChinese, WebHome, {}};
    entry.Publisher = SettingOf(Mode == 0 ? Setting::PublisherChinese : Setting::PublisherEnglish).Default;
    return UninstallStrings(entry);
}

std::vector<std::pair<std::u16string, std::u16string>> UninstallStrings(const TUninstallEntry& e) {
    const std::u16string uninstaller = e.SetupDir + kUninstallerName;
    std::vector<std::pair<std::u16string, std::u16string>> values = {
        {u"DisplayIcon", e.SetupDir + e.ExeName + u".exe"},
        {u"DisplayName", e.DisplayName},
        {u"DisplayVersion", e.Version},
        {u"Publisher", e.Publisher},
        {u"URLInfoAbout", e.Mode == 0 ? e.WebChinese : e.WebHome},
        {kUninstallStringValue, e.Full ? u"\"" + uninstaller + u"\"" : uninstaller},
    };
    if (e.Full || e.Quiet) values.push_back({u"QuietUninstallString", u"\"" + uninstaller + u"\" /S"});
    if (e.Full) {
        std::u16string location = e.SetupDir;
        while (location.size() > 3 && location.back() == u'\\') location.pop_back();
        values.push_back({u"InstallLocation", location});
    }
    return values;
}

std::vector<std::pair<std::u16string, std::uint32_t>> UninstallNumbers(const TUninstallEntry& e) {
    if (!e.Full) return {};
    return {{u"EstimatedSize", e.EstimatedKB}, {u"NoModify", 1}, {u"NoRepair", 1}};
}

std::u16string UninstallerPathOf(std::u16string_view Command) {
    if (Command.size() > 1 && Command.front() == u'"' && Command.back() == u'"')
        Command = Command.substr(1, Command.size() - 2);
    return std::u16string(Command);
}

}  // namespace stp
