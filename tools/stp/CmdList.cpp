// stp list: prints a package's file table.
#include <string>

#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PackageReader.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

constexpr OptionSpec kOptions[] = {{"password", true}};

int RunList(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) {
        throw UsageError("expected one PACKAGE");
    }
    TFile package = TFile::OpenRead(FromUtf8(parsed.Positional()[0]));
    const auto table = ReadPackageTable(package, FromUtf8(parsed.Value("password").value_or("")));
    std::string out = "folder\tname\tcompressed\tsize\troot\n";
    for (int i = 0; table && i < table->ItemCount(); ++i) {
        const TRow& row = *table->Items(i);
        for (int c = 0; c <= pcRootFlag; ++c) {
            if (c) out += '\t';
            if (c < row.ItemCount()) out += ToUtf8(row.Items(c)->Text());
        }
        out += '\n';
    }
    WriteStdout(out);
    return kExitOk;
}

}  // namespace

const Command kListCommand = {
    "list",
    "print a package's file table",
    "Usage: stp list [--password P] PACKAGE\n"
    "\n"
    "Prints the file table as tab-separated columns under a header line: folder,\n"
    "file name, compressed size, size and root flag, as the table holds them.\n"
    "\n"
    "  --password P  the file table's password (default empty)\n",
    RunList,
};

}  // namespace stp::tool
