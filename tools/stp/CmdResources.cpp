// stp resources: prints the resources of a Windows program and its string table.
#include <string>

#include "datatable/Text.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"
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
    {pe::rtBitmap, "BITMAP"},  {pe::rtIcon, "ICON"},           {pe::rtString, "STRING"},
    {pe::rtRcData, "RCDATA"},  {pe::rtGroupIcon, "GROUP_ICON"}, {pe::rtManifest, "MANIFEST"},
};

std::string TypeText(const pe::ResourceId& type)
{
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
std::string LineText(const std::u16string& text)
{
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

int RunResources(const std::vector<std::string>& args)
{
    const ParsedArgs parsed = ParseArgs(args, {});
    if (parsed.Positional().size() != 1) {
        throw UsageError("expected one FILE");
    }
    const std::vector<pe::Resource> resources = pe::ReadResources(ReadFileOrStdin(parsed.Positional()[0]));
    std::string out;
    for (const pe::Resource& r : resources) {
        out += TypeText(r.Type) + '\t' + r.Name.ToString() + '\t' + std::to_string(r.Language) + '\t'
            + std::to_string(r.Data.size()) + '\n';
    }
    out += '\n';
    for (const auto& [id, text] : pe::ReadStringTable(resources)) {
        out += std::to_string(id) + '\t' + LineText(text) + '\n';
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
    "MANIFEST), others by number or name. Then, after a blank line, the string table:\n"
    "id and text, with newlines, carriage returns and tabs shown as \\n, \\r and \\t.\n"
    "FILE \"-\" reads standard input.\n",
    RunResources,
};

}  // namespace stp::tool
