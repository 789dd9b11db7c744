// stp build: makes a product's installer from its product folder and the prebuilt setup
// stub, without a compiler.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
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
#include "tools/stp/PackInputs.h"
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
    {"output", true}, {"o", true}, {"text-mode", true}, {"stub", true},
    {"finalize", true}, {"package", true}, {"level", true}, {"threads", true},
};

// The stub's file name beside stp.
constexpr char kStubName[] = "setup-stub.exe";
// The PE timestamp when SOURCE_DATE_EPOCH does not give one: 2020-01-01 00:00:00 UTC.
constexpr std::uint32_t kFixedTimestamp = 1577836800;

fs::path OwnFolder()
{
#ifdef _WIN32
    wchar_t path[32768] = {};
    GetModuleFileNameW(nullptr, path, 32768);
    return fs::path(path).parent_path();
#else
    return fs::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::uint32_t Timestamp()
{
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return kFixedTimestamp;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(epoch, &end, 10);
    if (*end || value > 0xFFFFFFFFull) throw UsageError("SOURCE_DATE_EPOCH is not a time from 1970 to 2106");
    return static_cast<std::uint32_t>(value);
}

// The payload's entries; the program must land in the destination folder.
std::vector<TPackageEntry> PayloadEntries(const ProductFolder& product)
{
    std::vector<TPackageEntry> entries;
    try {
        AddManifest(product.Payload(), entries);
    } catch (const std::exception& e) {
        throw ProductError(e.what());
    }
    return entries;
}

bool IsProgramRow(const std::u16string& folder, const std::u16string& name, bool root, const std::u16string& exe)
{
    return EqualsIgnoringAsciiCase(name, exe) && (root || folder.empty());
}

void CheckProgramInPackage(const fs::path& package, const std::u16string& exe)
{
    TFile file = TFile::OpenRead(package.u16string());
    const auto table = ReadPackageTable(file, u"");
    for (int i = 0; table && i < table->ItemCount(); ++i) {
        TRow& row = *table->Items(i);
        if (row.ItemCount() < 4) break;
        const bool root = row.ItemCount() > 4 && row.Items(4)->Text() != u"" && ParseBoolean(row.Items(4)->Text()).value_or(false);
        if (IsProgramRow(row.Items(0)->Text(), row.Items(1)->Text(), root, exe)) return;
    }
    throw ProductError(package.string() + ": holds no " + ToUtf8(exe) + " for the destination folder");
}

// Removes the files it names when it ends, unless released: nothing half-made is left.
class Cleanup {
public:
    void Add(const fs::path& file) { files_.push_back(file); }
    void Release() { files_.clear(); }
    ~Cleanup()
    {
        std::error_code ignored;
        for (const fs::path& file : files_) fs::remove(file, ignored);
    }

private:
    std::vector<fs::path> files_;
};

// Runs the finalize command on file; {} stands for its quoted path.
void Finalize(const std::string& command, const fs::path& file)
{
    std::string quoted(1, '"');
    quoted += file.string();
    quoted += '"';
    std::string line = command;
    for (std::size_t at = line.find("{}"); at != std::string::npos; at = line.find("{}", at + quoted.size()))
        line.replace(at, 2, quoted);
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef _WIN32
    const int status = std::system(("\"" + line + "\"").c_str());  // cmd /c drops one pair of quotes
#else
    int status = std::system(line.c_str());
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    if (status != 0)
        throw std::runtime_error("--finalize: '" + line + "' failed with exit code " + std::to_string(status));
}

void WriteFileBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

fs::path PackPayload(const ProductFolder& product, const fs::path& package, const ParsedArgs& parsed, std::int64_t& total)
{
    const std::vector<TPackageEntry> entries = PayloadEntries(product);
    const std::u16string exe = product.Value("ExeName") + u".exe";
    bool found = false;
    for (const TPackageEntry& e : entries)
        found = found || IsProgramRow(NormalizeFolderSpec(e.Folder), e.FileName, e.Root, exe);
    if (!found)
        throw ProductError(product.Payload().string() + ": lists no " + ToUtf8(exe) +
                           " for the destination folder (SOURCE<tab> with an empty FOLDER)");
    total = 0;
    for (const TPackageEntry& e : entries) total += static_cast<std::int64_t>(fs::file_size(NativePath(e.Source)));

    TPackageOptions options;
    if (const auto v = parsed.Value("level")) options.Level = ParseNumber(*v, 0, 9, "level");
    if (const auto v = parsed.Value("threads")) options.Threads = ParseNumber(*v, 1, 256, "threads");
    const bool bar = IsTerminal(stderr);
    const std::int64_t whole = total;
    if (bar) {
        options.Progress = [whole](std::int64_t done) { DrawBar(whole ? done * 100 / whole : 100); };
        DrawBar(0);
    }
    WritePackage(entries, package.u16string(), options);
    if (bar) std::fputc('\n', stderr);
    return package;
}

int RunBuild(const std::vector<std::string>& args)
{
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) throw UsageError("expected one PRODUCT_DIR");
    std::optional<std::string> mode = parsed.Value("text-mode");
    if (mode && *mode != "0" && *mode != "2") throw UsageError("--text-mode must be 0 or 2");
    const std::uint32_t timestamp = Timestamp();
    const fs::path stub = parsed.Value("stub") ? NativePath(FromUtf8(*parsed.Value("stub"))) : OwnFolder() / kStubName;

    try {
        ProductFolder product = ReadProductFolder(NativePath(FromUtf8(parsed.Positional()[0])));
        if (mode) product.Settings["TextMode"] = FromUtf8(*mode);
        const std::u16string name = product.Value("ExeName") + u"-" + product.Value("Version") + u"-setup.exe";
        const fs::path output = parsed.Value("output") ? NativePath(FromUtf8(*parsed.Value("output")))
                              : parsed.Value("o")    ? NativePath(FromUtf8(*parsed.Value("o")))
                                                     : fs::path(NativePath(name));
        if (!fs::is_regular_file(stub))
            throw std::runtime_error("no setup stub at " + stub.string() + ": it ships beside stp; or give --stub FILE");
        const std::string stubBytes = ReadWholeFile(stub);

        Cleanup temporaries, unfinished;
        fs::path package = output;
        package += ".package";
        std::int64_t total = 0;
        if (const auto ready = parsed.Value("package")) {
            package = NativePath(FromUtf8(*ready));
            CheckProgramInPackage(package, product.Value("ExeName") + u".exe");
        } else {
            temporaries.Add(package);
            PackPayload(product, package, parsed, total);
        }
        if (product.Value("NeedSize") == u"auto") product.Settings["NeedSize"] = FormatByteSize(total, u".");

        const std::string image =
            pe::WriteResources(stubBytes, InstallerResources(product, ReadWholeFile(package)), timestamp);
        // Written whole under another name first, so that a failure leaves no installer.
        fs::path partial = output;
        partial += ".partial";
        temporaries.Add(partial);
        WriteFileBytes(partial, image);
        std::error_code error;
        fs::rename(partial, output, error);
        if (error) throw std::runtime_error(output.string() + ": cannot be written (" + error.message() + ")");
        unfinished.Add(output);
        if (const auto command = parsed.Value("finalize")) Finalize(*command, output);
        unfinished.Release();
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
    "Usage: stp build PRODUCT_DIR [-o OUT.exe] [--text-mode 0|2] [--stub FILE]\n"
    "                 [--finalize CMD] [--package FILE] [--level L] [--threads N]\n"
    "\n"
    "Packs the files PRODUCT_DIR/payload.txt lists and writes them, with the settings\n"
    "of PRODUCT_DIR/product.ini and the pictures and icons of PRODUCT_DIR/art, into a\n"
    "copy of the setup stub. The same stub, folder and options give the same bytes.\n"
    "\n"
    "  PRODUCT_DIR     product.ini, art/ (ImageLeft0.jpg, ImageLeft2.jpg,\n"
    "                  ImageIcon.bmp, AppIcon.ico, MainIcon.ico) and payload.txt\n"
    "                  (SOURCE<tab>FOLDER[<tab>root] a line, as stp pack reads it;\n"
    "                  the program <ExeName>.exe among them, FOLDER empty)\n"
    "  -o, --output    the installer to write (default <ExeName>-<Version>-setup.exe)\n"
    "  --text-mode M   the wizard's texts: 0 Chinese, 2 English (default: product.ini)\n"
    "  --stub FILE     the setup stub (default: setup-stub.exe beside stp)\n"
    "  --finalize CMD  run CMD on the finished installer before it is named, {} standing\n"
    "                  for its path (to sign it); a non-zero exit fails the build\n"
    "  --package FILE  carry this ready package instead of packing payload.txt\n"
    "  --level L       zlib level 0 to 9 (default 9)\n"
    "  --threads N     compression threads (default: one per core)\n"
    "\n"
    "NeedSize = auto in product.ini shows the payload's size. The PE timestamp is\n"
    "SOURCE_DATE_EPOCH when set, else fixed.\n",
    RunBuild,
};

}  // namespace stp::tool
