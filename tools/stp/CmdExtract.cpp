// stp extract: unpacks a package as the setup program does.
#include <cstdio>
#include <string>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/Extractor.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

constexpr OptionSpec kOptions[] = {{"password", true}, {"system-dir", true}, {"verbose", false}};

std::u16string AsFolder(const std::string& path) {
    std::u16string folder = FromUtf8(path);
    if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/')) {
        folder += u'\\';
    }
    return folder;
}

int RunExtract(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 2) {
        throw UsageError("expected PACKAGE and DEST");
    }
    const std::u16string package = FromUtf8(parsed.Positional()[0]);
    const std::u16string dest = AsFolder(parsed.Positional()[1]);
    const std::u16string systemDir =
        parsed.Value("system-dir") ? AsFolder(*parsed.Value("system-dir")) : GetSystemDir();
    const bool verbose = parsed.Has("verbose");
    const bool bar = IsTerminal(stderr);

    int written = 0;
    const TProgressEvent progress = [&](std::int64_t percent) {
        ++written;
        if (verbose) {
            std::printf("progress: %lld\n", static_cast<long long>(percent));
        }
        if (bar) {
            DrawBar(percent);
        }
    };
    try {
        ExtractSetupPackage(package, dest, FromUtf8(parsed.Value("password").value_or("")), progress, systemDir);
    } catch (const Error& e) {
        if (bar && written) std::fputc('\n', stderr);
        std::fflush(stdout);
        std::fprintf(stderr, "stp: error: %s\n", e.what());
        return kExitFailure;
    }
    if (bar && written) std::fputc('\n', stderr);
    std::fflush(stdout);
    std::fprintf(stderr, "stp: extracted %d files into %s\n", written, parsed.Positional()[1].c_str());
    return kExitOk;
}

}  // namespace

const Command kExtractCommand = {
    "extract",
    "unpack a package into a folder",
    "Usage: stp extract [--password P] [--system-dir DIR] [--verbose] PACKAGE DEST\n"
    "\n"
    "Unpacks every file of the package into DEST, as the setup program does, with a\n"
    "progress bar on a terminal and a summary line.\n"
    "\n"
    "  --password P     the file table's password (default empty)\n"
    "  --system-dir DIR where \"$System$\" and \"$Third$\" rows go (default: the\n"
    "                   Windows system folder; none elsewhere, so such rows fail)\n"
    "  --verbose        print every progress report as a line \"progress: N\"\n",
    RunExtract,
};

}  // namespace stp::tool
