// stp manifest: tells deployment tools how to install an installer stp build made with
// Unattended = yes: a winget manifest, or the texts an Intune Win32 app asks for.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"
#include "tools/stp/InstallerFacts.h"
#include "tools/stp/IntuneText.h"
#include "tools/stp/WingetManifest.h"
#include "tools/stp/WingetRules.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec kOptions[] = {{"format", true}, {"url", true}, {"output", true}, {"o", true}, {"id", true}};

std::optional<std::string> OutputOption(const ParsedArgs& parsed) {
    return parsed.Value("output") ? parsed.Value("output") : parsed.Value("o");
}

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

// SOURCE_DATE_EPOCH's day, the release date of a reproducible build; none when unset.
std::optional<std::string> ReleaseDate() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return std::nullopt;
    return UtcDate(epoch);
}

// The three files into DIR/manifests/<letter>/<Publisher>/<Package>/<Version>/, DIR the
// folder -o names or the current one, as the community repository lays them out.
void WriteWinget(const InstallerFacts& facts, const ParsedArgs& parsed) {
    const std::optional<std::string> given = parsed.Value("id");
    WingetInputs inputs;
    inputs.Identifier = given ? *given
                              : DerivePackageIdentifier(facts.Value(Setting::PublisherEnglish),
                                                        facts.Value(Setting::DisplayNameEnglish));
    inputs.Url = *parsed.Value("url");
    inputs.ReleaseDate = ReleaseDate();
    const WingetFiles manifest = WingetManifest(facts, inputs);
    fs::path folder = NativePath(FromUtf8(OutputOption(parsed).value_or(".")));
    for (const std::string& name : ManifestFolders(inputs.Identifier, ToUtf8(facts.Value(Setting::Version))))
        folder /= NativePath(FromUtf8(name));
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw std::runtime_error(folder.string() + ": cannot be made (" + error.message() + ")");
    for (const ManifestFile& file : manifest.Files) WriteText(folder / NativePath(FromUtf8(file.Name)), file.Text);
    for (const std::string& note : manifest.Notes) std::fprintf(stderr, "stp: note: %s\n", note.c_str());
    std::fprintf(stderr, "stp: wrote the winget manifest of %s into %s\n", inputs.Identifier.c_str(),
                 folder.string().c_str());
}

// The rule Intune detects the installation by is the installed program's file version,
// read from the program the installer's package carries.
void WriteIntune(const InstallerFacts& facts, const ParsedArgs& parsed) {
    const fs::path installer = NativePath(FromUtf8(parsed.Positional()[1]));
    WriteStdout(IntuneText(facts, PackagedProgram(installer, facts.Value(Setting::ExeName))));
}

struct FormatRow {
    std::string_view Name;
    bool TakesOutput;  // -o and --url mean something to it
    void (*Write)(const InstallerFacts& facts, const ParsedArgs& parsed);
};
constexpr FormatRow kFormats[] = {{"winget", true, WriteWinget}, {"intune", false, WriteIntune}};

const FormatRow& CheckedFormat(const ParsedArgs& parsed) {
    const std::string name = parsed.Value("format").value_or("winget");
    for (const FormatRow& row : kFormats) {
        if (row.Name != name) continue;
        if (!row.TakesOutput && OutputOption(parsed))
            throw UsageError("--format " + name + " prints to standard output; -o is for winget");
        if (row.TakesOutput && !parsed.Value("url"))
            throw UsageError("--url URL is needed: the address winget downloads the installer from");
        return row;
    }
    throw UsageError("--format must be winget or intune, not '" + name + "'");
}

void CheckValues(const ParsedArgs& parsed) {
    if (const auto url = parsed.Value("url"); url && !IsInstallerUrl(*url))
        throw UsageError("--url '" + *url + "' is no https:// address (one line, at most 2048 characters)");
    if (const auto id = parsed.Value("id"); id && !IsPackageIdentifier(*id))
        throw UsageError("--id '" + *id +
                         "' is no package identifier: 2 to 8 parts joined by dots, each of 1 to 32 "
                         "characters without blanks, dots or \\ / : * ? \" < > |");
}

int RunManifest(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 2) throw UsageError("expected PRODUCT_DIR and INSTALLER.exe");
    const FormatRow& format = CheckedFormat(parsed);
    CheckValues(parsed);
    try {
        const ProductFolder product = ReadProductFolder(NativePath(FromUtf8(parsed.Positional()[0])));
        format.Write(ReadInstallerFacts(product, NativePath(FromUtf8(parsed.Positional()[1]))), parsed);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "stp: error: %s\n", e.what());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kManifestCommand = {
    "manifest",
    "write an installer's winget manifest or Intune settings",
    "Usage: stp manifest PRODUCT_DIR INSTALLER.exe --url URL [--format winget] [-o DIR] [--id ID]\n"
    "       stp manifest PRODUCT_DIR INSTALLER.exe --format intune\n"
    "\n"
    "Tells deployment tools how to install INSTALLER.exe, which stp build made from\n"
    "PRODUCT_DIR with Unattended = yes in product.ini: such an installer takes /S (silent),\n"
    "/P (a progress window only), /D=PATH (the destination, last) and /LOG=FILE, and its\n"
    "exit code says what happened. An installer made without it is refused. What the\n"
    "installer carries (names, version, text mode, publishers, web address, copyright, its\n"
    "manifest's execution level, the program) is read from the installer itself;\n"
    "LicenseName and Description from product.ini.\n"
    "\n"
    "  --format winget  (default) a winget manifest of schema version 1.12.0, as winget's\n"
    "                   community repository takes it: <ID>.yaml, <ID>.installer.yaml and\n"
    "                   <ID>.locale.en-US.yaml in DIR/manifests/<letter>/<Publisher>/\n"
    "                   <Package>/<Version>/ (<letter> the identifier's first character in\n"
    "                   lower case), with the switches, the exit codes, the installer's\n"
    "                   SHA-256, its ProductCode, the proposed folder, one Apps and Features\n"
    "                   entry for each display name the text mode registers, PublisherUrl\n"
    "                   (WebHome, when https://), Copyright (CopyrightMaker) and, when\n"
    "                   SOURCE_DATE_EPOCH is set, its day (UTC) as ReleaseDate. Refused\n"
    "                   without a Description in product.ini\n"
    "  --url URL        where winget downloads the installer; https:// only\n"
    "  -o, --output DIR the folder below which manifests/ is written (default: the current\n"
    "                   one; folders are made when missing)\n"
    "  --id ID          the package identifier (default: Publisher.Product from\n"
    "                   PublisherEnglish and DisplayNameEnglish, without the blanks, dots\n"
    "                   and other characters an identifier may not hold, each part cut to\n"
    "                   32 characters)\n"
    "  --format intune  prints the install and uninstall commands, the requirement (x64),\n"
    "                   one detection rule for every language (the installed program's file\n"
    "                   version at least the product's) and the return codes of a Win32\n"
    "                   app, ready to paste; refused where the program the installer carries\n"
    "                   has no such file version\n",
    RunManifest,
};

}  // namespace stp::tool
