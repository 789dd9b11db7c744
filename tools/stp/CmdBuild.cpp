// stp build: makes a product's installer from its product folder and the prebuilt setup
// stub, without a compiler.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileList.h"
#include "package/FileSystem.h"
#include "package/NativePath.h"
#include "package/PackageReader.h"
#include "package/PackageWriter.h"
#include "pe/ResourceSection.h"
#include "sys/ByteSize.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"
#include "tools/stp/InstallerResources.h"
#include "tools/stp/PayloadLines.h"
#include "tools/stp/ProductFolder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec kOptions[] = {
    {"output", true},          {"o", true},     {"text-mode", true}, {"stub", true},        {"finalize", true},
    {"package", true},         {"level", true}, {"threads", true},   {"whole-limit", true}, {"uninstaller-stub", true},
    {"no-uninstaller", false},
};

// The stubs' file names beside stp.
constexpr char kStubName[] = "setup-stub.exe";
constexpr char kUninstallerStubName[] = "uninst-stub.exe";
// The uninstaller's name in the installation folder, as the uninstall entry names it.
// The PE timestamp when SOURCE_DATE_EPOCH does not give one: 2020-01-01 00:00:00 UTC.
constexpr std::uint32_t kFixedTimestamp = 1577836800;

fs::path OwnFolder() {
#ifdef _WIN32
    wchar_t path[32768] = {};
    GetModuleFileNameW(nullptr, path, 32768);
    return fs::path(path).parent_path();
#else
    return fs::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::uint32_t Timestamp() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return kFixedTimestamp;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(epoch, &end, 10);
    if (*end || value > 0xFFFFFFFFull) throw UsageError("SOURCE_DATE_EPOCH is not a time from 1970 to 2106");
    return static_cast<std::uint32_t>(value);
}

PayloadList ReadPayload(const ProductFolder& product) {
    try {
        return ReadPayloadList(product.Payload());
    } catch (const std::exception& e) {
        throw ProductError(e.what());
    }
}

// What each line of the payload took: a folder or a pattern takes what is there at
// build time.
void ReportPayload(const ProductFolder& product, const PayloadList& list) {
    for (const PayloadLineReport& line : list.Lines)
        std::fprintf(stderr, "stp: %s:%d: %s %s %zu file%s\n", product.Payload().string().c_str(), line.Number,
                     line.Text.c_str(), line.Exclusion ? "left out" : "took", line.Files, line.Files == 1 ? "" : "s");
}

bool IsProgramRow(const std::u16string& folder, const std::u16string& name, bool root, const std::u16string& exe) {
    return EqualsIgnoringAsciiCase(name, exe) && (root || folder.empty());
}

// Checks a ready package the way the installer will open it (without a password) and
// gives its files' total size.
std::int64_t CheckReadyPackage(const fs::path& package, const std::u16string& exe) {
    TFile file = TFile::OpenRead(package.u16string());
    const auto table = ReadPackageTable(file, u"");
    if (table && table->ItemCount() == 1 && table->Items(0)->ItemCount() < 4)
        throw ProductError(package.string() +
                           ": its file table does not open without a password, and the "
                           "installer opens it with none");
    bool found = false;
    std::int64_t total = 0;
    for (int i = 0; table && i < table->ItemCount(); ++i) {
        TRow& row = *table->Items(i);
        if (row.ItemCount() < 4)
            throw ProductError(package.string() + ": row " + std::to_string(i + 1) + " is damaged");
        const bool root = row.ItemCount() > 4 && ParseBoolean(row.Items(4)->Text()).value_or(false);
        found = found || IsProgramRow(row.Items(0)->Text(), row.Items(1)->Text(), root, exe);
        total += row.Items(3)->Value();
    }
    if (!found) throw ProductError(package.string() + ": holds no " + ToUtf8(exe) + " for the destination folder");
    return total;
}

// Removes the files it names when it ends, unless released: nothing half-made is left.
class Cleanup {
public:
    void Add(const fs::path& file) { files_.push_back(file); }
    void Release() { files_.clear(); }
    ~Cleanup() {
        std::error_code ignored;
        for (const fs::path& file : files_) fs::remove(file, ignored);
    }

private:
    std::vector<fs::path> files_;
};

// The path as one shell word. POSIX shells: single quotes (with ' written as '\'').
// cmd expands %NAME% even inside quotes, but only once: the path goes through the
// environment variable STP_FINALIZE_FILE, whose value is not expanded again.
std::string ShellWord(const fs::path& file) {
#ifdef _WIN32
    SetEnvironmentVariableW(L"STP_FINALIZE_FILE", file.wstring().c_str());
    return "\"%STP_FINALIZE_FILE%\"";
#else
    std::string word = "'";
    for (const char c : file.string()) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
#endif
}

// Runs the finalize command on file; {} stands for its path as one shell word.
void Finalize(const std::string& command, const fs::path& file) {
    const std::string word = ShellWord(file);
    std::string line = command;
    for (std::size_t at = line.find("{}"); at != std::string::npos; at = line.find("{}", at + word.size()))
        line.replace(at, 2, word);
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef _WIN32
    // cmd /c drops one pair of quotes; the wide call keeps non-ASCII paths intact.
    std::u16string wide(1, u'"');
    wide += FromUtf8(line);
    wide += u'"';
    const int status = _wsystem(reinterpret_cast<const wchar_t*>(wide.c_str()));
#else
    int status = std::system(line.c_str());
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    if (status != 0)
        throw std::runtime_error("--finalize: '" + line + "' failed with exit code " + std::to_string(status));
    if (!fs::is_regular_file(file))
        throw std::runtime_error("--finalize: '" + line + "' left no file at " + file.string());
}

void WriteFileBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

TPackageOptions PackOptions(const ParsedArgs& parsed) {
    TPackageOptions options;
    if (const auto v = parsed.Value("level")) options.Level = ParseLevel(*v);
    if (const auto v = parsed.Value("threads")) options.Threads = ParseNumber(*v, 1, 256, "threads");
    if (const auto v = parsed.Value("whole-limit")) options.WholeFileLimit = ParseWholeLimit(*v);
    return options;
}

// The uninstall entry's EstimatedSize: the installed files' bytes in KB, rounded up.
std::uint32_t EstimatedKB(std::int64_t total) {
    return static_cast<std::uint32_t>(std::min<std::int64_t>((total + 1023) / 1024, UINT32_MAX));
}

std::int64_t TotalSize(const std::vector<TPackageEntry>& entries) {
    std::int64_t total = 0;
    for (const TPackageEntry& e : entries) total += static_cast<std::int64_t>(fs::file_size(NativePath(e.Source)));
    return total;
}

// Packs the entries straight into the installer being written, with a progress bar on a
// terminal: the package goes to the file while it is made, as stp pack writes it, and
// the rest of the installer around it afterwards.
void PackIntoInstaller(const std::vector<TPackageEntry>& entries, std::int64_t total,
                       const pe::StreamedResourceImage& image, const fs::path& file, TPackageOptions options) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
    out.seekp(static_cast<std::streamoff>(image.StreamOffset()));
    pe::TWordSum sum;
    const bool bar = IsTerminal(stderr);
    if (bar) {
        options.Progress = [total](std::int64_t done) { DrawBar(total ? done * 100 / total : 100); };
        DrawBar(0);
    }
    struct EndLine {
        bool bar;
        ~EndLine() {
            if (bar) std::fputc('\n', stderr);
        }
    } endLine{bar};
    WritePackage(
        entries,
        [&](const void* bytes, std::size_t size) {
            out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
            sum.Add({static_cast<const char*>(bytes), size});
        },
        options);
    const pe::StreamedResourceImage::Pieces pieces = image.Finish(sum.Size(), sum);
    out.write(pieces.After.data(), static_cast<std::streamsize>(pieces.After.size()));
    out.seekp(0);
    out.write(pieces.Before.data(), static_cast<std::streamsize>(pieces.Before.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

// The payload's entries; the program must land in the destination folder.
std::vector<TPackageEntry> CheckedPayload(const ProductFolder& product) {
    PayloadList list = ReadPayload(product);
    const std::vector<TPackageEntry>& entries = list.Entries;
    const std::u16string exe = product.Value("ExeName") + u".exe";
    bool found = false;
    for (const TPackageEntry& e : entries)
        found = found || IsProgramRow(NormalizeFolderSpec(e.Folder), e.FileName, e.Root, exe);
    if (!found)
        throw ProductError(product.Payload().string() + ": lists no " + ToUtf8(exe) +
                           " for the destination folder (SOURCE<tab> with an empty FOLDER)");
    ReportPayload(product, list);
    return std::move(list.Entries);
}

// Gives From the name To, replacing a file there.
void MoveOver(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    if (!MoveFileExW(from.wstring().c_str(), to.wstring().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        throw std::runtime_error(to.string() + ": cannot be written (Windows error " + std::to_string(GetLastError()) +
                                 ")");
#else
    std::error_code error;
    fs::rename(from, to, error);
    if (error) throw std::runtime_error(to.string() + ": cannot be written (" + error.message() + ")");
#endif
}

// A name beside Output for its unfinished form: "setup.exe" becomes "setup.partial.exe",
// so that a signing tool still sees a program.
fs::path Beside(const fs::path& output, const std::string& role) {
    fs::path file = output;
    file.replace_filename(output.stem().string() + "." + role + output.extension().string());
    return file;
}

std::string WriteIntoStub(const fs::path& stub, const std::string& kind, const std::vector<pe::Resource>& resources,
                          std::uint32_t timestamp);

struct BuildSteps {
    const fs::path& output;
    std::uint32_t timestamp;
    std::optional<std::string> finalize;
};

// Puts the product's uninstaller, made from the uninstaller stub and signed like the
// installer, into the destination folder as Uninst.exe, unless the payload has its own.
void AddUninstaller(const ProductFolder& product, const fs::path& stub, const BuildSteps& steps,
                    std::vector<TPackageEntry>& entries, Cleanup& temporaries) {
    for (const TPackageEntry& e : entries) {
        if (EqualsIgnoringAsciiCase(e.FileName, kUninstallerName) &&
            (e.Root || NormalizeFolderSpec(e.Folder).empty())) {
            std::fprintf(stderr,
                         "stp: %s puts its own Uninst.exe into the installation folder; the installer "
                         "carries that one instead of stp's uninstaller\n",
                         product.Payload().string().c_str());
            return;
        }
    }
    std::vector<TFileListRow> rows;
    // Each file with what it is now, so that the uninstaller removes only what is still it.
    for (const TPackageEntry& e : entries)
        rows.push_back({NormalizeFolderSpec(e.Folder), e.FileName, e.Root, StampOfFile(e.Source)});
    rows.push_back({u"", kUninstallerName, false, std::nullopt});
    const std::string image =
        WriteIntoStub(stub, "uninstaller stub", UninstallerResources(product, WriteFileList(rows)), steps.timestamp);
    const fs::path file = Beside(steps.output, "Uninst");
    temporaries.Add(file);
    WriteFileBytes(file, image);
    if (steps.finalize) Finalize(*steps.finalize, file);
    entries.push_back({file.u16string(), u"", kUninstallerName, false});
}

// The installer's layout in the stub, its package to be streamed in.
pe::StreamedResourceImage StreamInto(const fs::path& stub, std::vector<pe::Resource> resources,
                                     std::uint32_t timestamp) {
    if (!fs::is_regular_file(stub))
        throw std::runtime_error("no setup stub at " + stub.string() + ": it ships beside stp; or give its path");
    try {
        return pe::StreamedResourceImage(ReadWholeFile(stub), std::move(resources), timestamp);
    } catch (const EPeError& e) {
        throw std::runtime_error("setup stub " + stub.string() + ": " + e.what());
    }
}

void SetNeedSize(ProductFolder& product, std::int64_t total) {
    if (EqualsIgnoringAsciiCase(product.Value("NeedSize"), u"auto"))
        product.Settings["NeedSize"] = FormatByteSize(total, u".");
}

// The stub's bytes with the resources written in; a stub that cannot take them is named.
std::string WriteIntoStub(const fs::path& stub, const std::string& kind, const std::vector<pe::Resource>& resources,
                          std::uint32_t timestamp) {
    if (!fs::is_regular_file(stub))
        throw std::runtime_error("no " + kind + " at " + stub.string() + ": it ships beside stp; or give its path");
    try {
        return pe::WriteResources(ReadWholeFile(stub), resources, timestamp);
    } catch (const EPeError& e) {
        throw std::runtime_error(kind + " " + stub.string() + ": " + e.what());
    }
}

int RunBuild(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) throw UsageError("expected one PRODUCT_DIR");
    std::optional<std::string> mode = parsed.Value("text-mode");
    if (mode && *mode != "0" && *mode != "2" && *mode != "auto") throw UsageError("--text-mode must be 0, 2 or auto");
    const std::uint32_t timestamp = Timestamp();
    const TPackageOptions packOptions = PackOptions(parsed);
    const fs::path stub = parsed.Value("stub") ? NativePath(FromUtf8(*parsed.Value("stub"))) : OwnFolder() / kStubName;

    try {
        ProductFolder product = ReadProductFolder(NativePath(FromUtf8(parsed.Positional()[0])));
        if (mode) product.Settings["TextMode"] = FromUtf8(*mode);
        const std::u16string name = product.Value("ExeName") + u"-" + product.Value("Version") + u"-setup.exe";
        const fs::path output = parsed.Value("output") ? NativePath(FromUtf8(*parsed.Value("output")))
                                : parsed.Value("o")    ? NativePath(FromUtf8(*parsed.Value("o")))
                                                       : fs::path(NativePath(name));
        const std::u16string exe = product.Value("ExeName") + u".exe";
        const fs::path outputFolder = output.has_parent_path() ? output.parent_path() : fs::path(".");
        if (!fs::is_directory(outputFolder))
            throw std::runtime_error(output.string() + ": cannot be written, there is no folder " +
                                     outputFolder.string());

        Cleanup temporaries;
        // Written and finalized under another name, so that a failure leaves no installer
        // and an earlier one at Output untouched.
        const fs::path partial = Beside(output, "partial");
        temporaries.Add(partial);
        if (const auto ready = parsed.Value("package")) {
            const fs::path file = NativePath(FromUtf8(*ready));
            const std::int64_t total = CheckReadyPackage(file, exe);
            std::fprintf(stderr,
                         "stp: the ready package is carried as it is: without stp's uninstaller, the "
                         "uninstall entry names an Uninst.exe only the package can bring\n");
            SetNeedSize(product, total);
            product.EstimatedKB = EstimatedKB(total);
            WriteFileBytes(partial, WriteIntoStub(stub, "setup stub", InstallerResources(product, ReadWholeFile(file)),
                                                  timestamp));
        } else {
            std::vector<TPackageEntry> entries = CheckedPayload(product);
            if (!parsed.Has("no-uninstaller")) {
                const fs::path uninstallerStub = parsed.Value("uninstaller-stub")
                                                     ? NativePath(FromUtf8(*parsed.Value("uninstaller-stub")))
                                                     : OwnFolder() / kUninstallerStubName;
                AddUninstaller(product, uninstallerStub, {output, timestamp, parsed.Value("finalize")}, entries,
                               temporaries);
            }
            const std::int64_t total = TotalSize(entries);
            SetNeedSize(product, total);
            product.EstimatedKB = EstimatedKB(total);
            const pe::StreamedResourceImage image = StreamInto(stub, InstallerResources(product, {}), timestamp);
            PackIntoInstaller(entries, total, image, partial, packOptions);
        }
        if (const auto command = parsed.Value("finalize")) Finalize(*command, partial);
        MoveOver(partial, output);
        std::fprintf(stderr, "stp: built %s\n", output.string().c_str());
    } catch (const UsageError&) {
        throw;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "stp: error: %s\n", e.what());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kBuildCommand = {
    "build",
    "make a product's installer from its product folder",
    "Usage: stp build PRODUCT_DIR [-o OUT.exe] [--text-mode 0|2|auto] [--stub FILE]\n"
    "                 [--finalize CMD] [--package FILE] [--level L] [--threads N]\n"
    "                 [--uninstaller-stub FILE | --no-uninstaller]\n"
    "\n"
    "Packs the files PRODUCT_DIR/payload.txt lists and writes them, with the settings\n"
    "of PRODUCT_DIR/product.ini and the pictures and icons of PRODUCT_DIR/art, into a\n"
    "copy of the setup stub. The same stub, folder and options give the same bytes.\n"
    "\n"
    "  PRODUCT_DIR     product.ini, art/ (ImageLeft0.jpg, ImageLeft2.jpg,\n"
    "                  ImageIcon.bmp, AppIcon.ico, MainIcon.ico) and payload.txt\n"
    "                  (SOURCE<tab>FOLDER[<tab>root] a line for a file, a folder or\n"
    "                  a pattern such as bin/*.dll, and !PATTERN to leave files out,\n"
    "                  as stp pack reads a manifest; the program <ExeName>.exe\n"
    "                  among them, FOLDER empty); what each line took is printed\n"
    "  -o, --output    the installer to write (default <ExeName>-<Version>-setup.exe)\n"
    "  --text-mode M   the wizard's texts: 0 Chinese, 2 English, auto by the user's language\n"
    "                  (default: product.ini)\n"
    "  --stub FILE     the setup stub (default: setup-stub.exe beside stp)\n"
    "  --finalize CMD  run CMD on the finished installer before it gets its name, {}\n"
    "                  standing for its path (to sign it); a non-zero exit fails the\n"
    "                  build and leaves no installer\n"
    "  --package FILE  carry this ready package instead of packing payload.txt (as it\n"
    "                  is: without stp's uninstaller)\n"
    "  --uninstaller-stub FILE\n"
    "                  the uninstaller stub (default: uninst-stub.exe beside stp)\n"
    "  --no-uninstaller  leave stp's uninstaller out of the package\n"
    "  --level L       zlib level 0 to 9 (default 9), or max: the smallest zlib\n"
    "                  streams, file by file, slower\n"
    "  --whole-limit MB  with --level max, the largest file deflated whole\n"
    "                  (default 1024, at most 2047; memory: about twice it)\n"
    "  --threads N     compression threads (default: one per core)\n"
    "\n"
    "The package gets the product's uninstaller as Uninst.exe in the installation\n"
    "folder (signed by --finalize too), unless payload.txt puts its own there.\n"
    "NeedSize = auto in product.ini shows the payload's size. The PE timestamp is\n"
    "SOURCE_DATE_EPOCH when set, else fixed.\n",
    RunBuild,
};

}  // namespace stp::tool
