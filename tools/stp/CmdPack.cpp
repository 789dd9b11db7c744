// stp pack: makes a setup package from folders and manifests.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "crypt/Cipher.h"
#include "crypt/Hash.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/NativePath.h"
#include "package/PackageWriter.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/PackInputs.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec kOptions[] = {
    {"output", true},   {"o", true},     {"cipher", true},  {"hash", true},
    {"password", true}, {"level", true}, {"threads", true}, {"whole-limit", true},
};

int RunPack(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    const auto output = parsed.Value("output") ? parsed.Value("output") : parsed.Value("o");
    if (!output) {
        throw UsageError("-o OUT.stp is required");
    }
    if (parsed.Positional().empty()) {
        throw UsageError("no INPUT given");
    }
    TPackageOptions options;
    if (const auto v = parsed.Value("cipher")) options.CipherIndex = ParseNumber(*v, 0, kCipherCount - 1, "cipher");
    if (const auto v = parsed.Value("hash")) options.HashIndex = ParseNumber(*v, 0, kHashCount - 1, "hash");
    if (const auto v = parsed.Value("level")) options.Level = ParseLevel(*v);
    if (const auto v = parsed.Value("threads")) options.Threads = ParseNumber(*v, 1, 256, "threads");
    if (const auto v = parsed.Value("whole-limit")) options.WholeFileLimit = ParseWholeLimit(*v);
    options.Password = FromUtf8(parsed.Value("password").value_or(""));

    std::vector<TPackageEntry> entries;
    for (const std::string& input : parsed.Positional()) {
        const fs::path path = NativePath(FromUtf8(input));
        if (!fs::is_directory(path) && !fs::is_regular_file(path)) {
            throw UsageError("no folder or manifest '" + input + "'");
        }
        AddInput(path, entries);
    }
    const auto sizes = WritePackage(entries, FromUtf8(*output), options);
    std::int64_t in = 0, out = 0;
    for (const auto& s : sizes) {
        in += s.Uncompressed;
        out += s.Compressed;
    }
    std::fprintf(stderr, "stp: packed %zu files, %lld bytes into %lld\n", sizes.size(), static_cast<long long>(in),
                 static_cast<long long>(out));
    return kExitOk;
}

}  // namespace

const Command kPackCommand = {
    "pack",
    "make a setup package from folders and manifests",
    "Usage: stp pack -o OUT.stp [--cipher N] [--hash N] [--password P] [--level L]\n"
    "                [--threads N] INPUT...\n"
    "\n"
    "Compresses every file of the inputs into one setup package. The same inputs\n"
    "and options always give the same bytes.\n"
    "\n"
    "  INPUT         a folder: every file below it, keeping its sub-folders; or a\n"
    "                manifest: lines SOURCE<tab>FOLDER[<tab>root], where SOURCE is\n"
    "                a file, a folder (every file below it, its sub-folders kept\n"
    "                below FOLDER; links inside are refused) or a pattern (* any\n"
    "                characters but /, ? one, in the last part: bin/*.dll takes\n"
    "                bin's matching files), relative to the manifest's folder;\n"
    "                FOLDER is \"\" for the destination folder, \"sub\\\" for a folder\n"
    "                below it, or \"$System$\" / \"$Third$\" for the system folder, and\n"
    "                \"root\" puts the files straight into the destination folder.\n"
    "                A line !PATTERN leaves out of the lines above it the files\n"
    "                whose name matches (!*.pdb), or with a / their path below\n"
    "                the line's folder (!tests/* leaves out all of tests/). Letter\n"
    "                case counts as the file system's does: not on Windows.\n"
    "  -o, --output  the package to write\n"
    "  --cipher N    the file table's cipher, 0 to 8 (default 5, AES)\n"
    "  --hash N      the file table's key hash, 0 to 4 (default 3, SHA-256)\n"
    "  --password P  the file table's password (default empty, as the setup\n"
    "                program opens it)\n"
    "  --level L     zlib level 0 to 9 (default 9), or max: the smallest zlib\n"
    "                streams, file by file, slower\n"
    "  --whole-limit MB  with --level max, the largest file deflated whole\n"
    "                (default 1024, at most 2047; memory: about twice it);\n"
    "                larger files go in chunks at level 9\n"
    "  --threads N   compression threads (default: one per core)\n",
    RunPack,
};

}  // namespace stp::tool
