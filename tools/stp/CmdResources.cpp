// stp resources: prints the resources of a Windows program and its string table.
#include <cstdio>
#include <string>

#include "datatable/Text.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"
#include "pe/VersionInfo.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

struct TypeName {
    std::uint16_t id;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {pe::rtBitmap, "BITMAP"},        {pe::rtIcon, "ICON"},         {pe::rtString, "STRING"},   {pe::rtRcData, "RCDATA"},
    {pe::rtGroupIcon, "GROUP_ICON"}, {pe::rtManifest, "MANIFEST"}, {pe::rtVersion, "VERSION"},
};

std::string Numbers(const pe::VersionNumbers& n) {
    return std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." + std::to_string(n[3]);
}

std::string Hex4(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

std::string TypeText(const pe::ResourceId& type) {
    if (!type.IsName()) {
        for (const TypeName& known : kTypeNames) {
            if (known.id == type.Id) {
                return known.name;
            }
        }
    }
    return type.ToString();
}

// One string a line: the characters that would break the line or its columns are escaped.
std::string LineText(const std::u16string& text) {
    std::string line;
    for (char c : ToUtf8(text)) {
        switch (c) {
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        default: line += c;
        }
    }
    return line;
}

int RunResources(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, {});
    if (parsed.Positional().size() != 1) {
        throw UsageError("expected one FILE");
    }
    const std::vector<pe::Resource> resources = pe::ReadResources(ReadFileOrStdin(parsed.Positional()[0]));
    std::string out;
    for (const pe::Resource& r : resources) {
        out += TypeText(r.Type) + '\t' + r.Name.ToString() + '\t' + std::to_string(r.Language) + '\t' +
               std::to_string(r.Data.size()) + '\n';
    }
    out += '\n';
    for (const auto& [id, text] : pe::ReadStringTable(resources)) {
        out += std::to_string(id) + '\t' + LineText(text) + '\n';
    }
    // The version resource, when there is one: its numbers, then each string block.
    for (const pe::Resource& r : resources) {
        if (r.Type.IsName() || r.Type.Id != pe::rtVersion) continue;
        const pe::VersionInfoContents version = pe::ReadVersionInfo(r.Data);
        out += "\nFileVersion\t" + Numbers(version.FileVersion) + "\nProductVersion\t" +
               Numbers(version.ProductVersion) + '\n';
        for (const pe::VersionStringTable& table : version.StringTables) {
            out += "StringTable\t" + Hex4(table.Language) + Hex4(table.CodePage) + '\n';
            for (const auto& [key, value] : table.Strings) out += ToUtf8(key) + '\t' + LineText(value) + '\n';
        }
        for (const pe::VersionTranslation& t : version.Translations)
            out += "Translation\t" + Hex4(t.Language) + Hex4(t.CodePage) + '\n';
    }
    WriteStdout(out);
    return kExitOk;
}

}  // namespace

const Command kResourcesCommand = {
    "resources",
    "print a Windows program's resources",
    "Usage: stp resources FILE\n"
    "\n"
    "Prints one line per resource of the Windows program (PE image) FILE, in the order of\n"
    "its resource directory, as tab-separated columns: type, name, language and size in\n"
    "bytes. Common types are shown by name (BITMAP, ICON, STRING, RCDATA, GROUP_ICON,\n"
    "MANIFEST, VERSION), others by number or name. Then, after a blank line, the string\n"
    "table: id and text, with newlines, carriage returns and tabs shown as \\n, \\r and \\t;\n"
    "and after another, the version resource when there is one: its numbers, each string\n"
    "table's language and code page with its strings, and the translations.\n"
    "FILE \"-\" reads standard input.\n",
    RunResources,
};

}  // namespace stp::tool
