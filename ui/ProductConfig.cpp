#include "ui/ProductConfig.h"

#include <windows.h>

#include "datatable/Convert.h"
#include "datatable/Text.h"
#include "ui/Resources.h"

namespace stp {

std::u16string ProductString(Setting Id) { return LoadResString(SettingOf(Id).StringId); }

std::u16string ProductValue(Setting Id) {
    std::u16string value = SettingOf(Id).StringId ? ProductString(Id) : std::u16string();
    return value.empty() ? std::u16string(SettingOf(Id).Default) : value;
}

bool ProductFlag(Setting Id) { return EqualsIgnoringAsciiCase(ProductValue(Id), u"yes"); }

int ConfiguredLanguageMode() {
    const std::u16string mode = ProductString(Setting::TextMode);
    if (EqualsIgnoringAsciiCase(mode, u"auto"))
        return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? 0 : 2;
    return mode == u"2" ? 2 : 0;
}

std::u16string ProductFileText(Setting Id) {
    const char16_t* name = SettingOf(Id).Resource;
    if (!name || !HasResource(reinterpret_cast<const wchar_t*>(name), reinterpret_cast<const wchar_t*>(kStpTextType)))
        return {};
    const std::vector<std::uint8_t> bytes =
        LoadResourceData(reinterpret_cast<const wchar_t*>(name), reinterpret_cast<const wchar_t*>(kStpTextType));
    return FromUtf8(std::string(bytes.begin(), bytes.end()));
}

std::u16string ProductDisplayName(int Mode) {
    return ProductString(Mode == 0 ? Setting::DisplayNameChinese : Setting::DisplayNameEnglish);
}

}  // namespace stp
