#include "tools/stp/DocTables.h"

#include <stdexcept>

#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/ProductTable.h"

namespace stp::tool {

namespace {

constexpr std::string_view kBegin = "<!-- stp docs ";
constexpr std::string_view kBeginEnd = " -->";
constexpr std::string_view kEnd = "<!-- end stp docs -->";

// A cell: "|" would end it early.
std::string Cell(std::string text) {
    for (std::size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2))
        text.replace(at, 1, "\\|");
    return text;
}

std::string SettingsTable() {
    std::string table = "| key | when absent | what it sets |\n|---|---|---|\n";
    for (const SettingRow& row : kSettings) {
        const std::string value = ToUtf8(row.Default);
        const std::string absent = row.Required ? "required" : value.empty() ? "none" : "`" + value + "`";
        table += "| `" + std::string(row.Key) + "` | " + Cell(absent) + " | " + Cell(row.Help) + " |\n";
    }
    return table;
}

std::string ExitCodeTable(bool uninstaller) {
    std::string table =
        uninstaller ? "| code | meaning |\n|---|---|\n" : "| code | meaning | winget's response |\n|---|---|---|\n";
    for (const ExitCodeRow& row : kExitCodes) {
        if (uninstaller && !row.UninstallMeaning) continue;
        table += "| " + std::to_string(row.Code) + " | " + Cell(uninstaller ? row.UninstallMeaning : row.Meaning);
        if (!uninstaller) table += " | " + std::string(row.WingetResponse ? row.WingetResponse : "");
        table += " |\n";
    }
    return table;
}

// Each marked table of Text: where its lines begin and end, and its name.
struct Marked {
    std::size_t Begin, End;
    std::string Name;
};

std::vector<Marked> MarkedTables(std::string_view text) {
    std::vector<Marked> marked;
    for (std::size_t at = text.find(kBegin); at != std::string_view::npos; at = text.find(kBegin, at + 1)) {
        const std::size_t nameEnd = text.find(kBeginEnd, at);
        const std::size_t lineEnd = text.find('\n', at);
        if (nameEnd == std::string_view::npos || lineEnd == std::string_view::npos || nameEnd > lineEnd) continue;
        const std::size_t end = text.find(kEnd, lineEnd);
        if (end == std::string_view::npos)
            throw std::invalid_argument("a table marked at offset " + std::to_string(at) + " has no end");
        marked.push_back(
            {lineEnd + 1, end, std::string(text.substr(at + kBegin.size(), nameEnd - at - kBegin.size()))});
    }
    return marked;
}

}  // namespace

std::vector<std::string_view> DocTableNames() { return {"settings", "exit-codes", "uninstaller-exit-codes"}; }

std::string DocTable(std::string_view Name) {
    if (Name == "settings") return SettingsTable();
    if (Name == "exit-codes") return ExitCodeTable(false);
    if (Name == "uninstaller-exit-codes") return ExitCodeTable(true);
    throw std::invalid_argument("no table named '" + std::string(Name) + "'");
}

std::string WithDocTables(std::string_view Text) {
    std::string out;
    std::size_t done = 0;
    for (const Marked& m : MarkedTables(Text)) {
        out += Text.substr(done, m.Begin - done);
        out += DocTable(m.Name);
        done = m.End;
    }
    return out + std::string(Text.substr(done));
}

std::vector<std::string> StaleDocTables(std::string_view Text) {
    std::vector<std::string> stale;
    for (const Marked& m : MarkedTables(Text))
        if (Text.substr(m.Begin, m.End - m.Begin) != DocTable(m.Name)) stale.push_back(m.Name);
    return stale;
}

}  // namespace stp::tool
