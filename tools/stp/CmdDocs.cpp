// stp docs: the tables the docs show, made from the tables stp and the stubs read.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"
#include "tools/stp/DocTables.h"
#include "product/ProductTable.h"

namespace stp::tool {

namespace {

constexpr OptionSpec kOptions[] = {{"update", false}, {"check", false}};

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int RunDocs(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    const bool update = parsed.Has("update"), check = parsed.Has("check");
    if (update && check) throw UsageError("--update and --check go apart");
    if (!update && !check) {
        if (parsed.Positional().size() != 1) throw UsageError("expected one TABLE");
        try {
            WriteStdout(DocTable(parsed.Positional()[0]));
        } catch (const std::invalid_argument& error) {
            throw UsageError(error.what());
        }
        return kExitOk;
    }
    if (parsed.Positional().empty()) throw UsageError("expected the FILEs");
    int status = kExitOk;
    for (const std::string& name : parsed.Positional()) {
        const std::filesystem::path file = NativePath(FromUtf8(name));
        const std::string text = ReadText(file);
        if (update) {
            const std::string made = WithDocTables(text);
            if (made != text) std::ofstream(file, std::ios::binary) << made;
            continue;
        }
        for (const std::string& table : StaleDocTables(text)) {
            std::fprintf(stderr, "stp: %s: the table '%s' differs from stp's own (stp docs --update %s)\n",
                         name.c_str(), table.c_str(), name.c_str());
            status = kExitFailure;
        }
    }
    return status;
}

// The product tables as lines of fields split by "|", for build scripts that must not
// read the C++ source.
int RunTables(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, {});
    if (parsed.Positional().size() != 1) throw UsageError("expected one TABLE");
    const std::string& name = parsed.Positional()[0];
    std::string out;
    if (name == "settings") {
        for (const SettingRow& row : kSettings)
            out += std::string(row.Key) + "|" + std::to_string(row.StringId) + "|" + (row.Required ? "true" : "false") +
                   "|" + ToUtf8(row.Default) + "\n";
    } else if (name == "art") {
        static const char* const kKinds[] = {"Jpeg", "Bitmap", "Icon"};
        for (const ArtFile& row : kArtFiles)
            out += std::string(row.FileName) + "|" + kKinds[static_cast<int>(row.Kind)] + "|" +
                   ToUtf8(row.ResourceName) + "\n";
    } else {
        throw UsageError("no table named '" + name + "'");
    }
    WriteStdout(out);
    return kExitOk;
}

}  // namespace

const Command kDocsCommand = {
    "docs",
    "print the settings and exit-code tables, or bring a doc's copies up to date",
    "Usage: stp docs TABLE\n"
    "       stp docs --update FILE...\n"
    "       stp docs --check FILE...\n"
    "\n"
    "Prints TABLE (settings, exit-codes or uninstaller-exit-codes) as Markdown, made\n"
    "from the tables stp and the stubs read. A doc holds a copy between a line\n"
    "\"<!-- stp docs TABLE -->\" and a line \"<!-- end stp docs -->\".\n"
    "\n"
    "  --update  write every marked copy in the FILEs anew\n"
    "  --check   exit with 1, naming it, when a marked copy differs\n",
    RunDocs,
};

const Command kTablesCommand = {
    "tables",
    "print the product tables for build scripts",
    "Usage: stp tables settings|art\n"
    "\n"
    "Prints the product.ini settings (KEY|STRING_ID|REQUIRED|DEFAULT) or the artwork\n"
    "(FILE|KIND|RESOURCE_NAME) that stp and the stubs agree on, a line each, so that a\n"
    "build script need not read the source.\n",
    RunTables,
};

}  // namespace stp::tool
