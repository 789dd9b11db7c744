// stp manifest: tells deployment tools how to install an installer stp build made with
// Unattended = yes: a winget manifest, or the texts an Intune Win32 app asks for.
#include <cstdio>
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

std::optional<std::string> OutputOption(const ParsedArgs& parsed)
{
    return parsed.Value("output") ? parsed.Value("output") : parsed.Value("o");
}

void WriteText(const fs::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

// The three files into the folder -o names, by default one named after the identifier.
void WriteWinget(const InstallerFacts& facts, const ParsedArgs& parsed)
{
    const std::optional<std::string> given = parsed.Value("id");
    const std::string identifier =
        given ? *given : DerivePackageIdentifier(facts.Value(Setting::PublisherEnglish), facts.Value(Setting::DisplayNameEnglish));
    const std::vector<ManifestFile> files = WingetManifest(facts, identifier, *parsed.Value("url"));
    const fs::path folder = NativePath(FromUtf8(OutputOption(parsed).value_or(identifier)));
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw std::runtime_error(folder.string() + ": cannot be made (" + error.message() + ")");
    for (const ManifestFile& file : files) WriteText(folder / NativePath(FromUtf8(file.Name)), file.Text);
    std::fprintf(stderr, "stp: wrote the winget manifest of %s into %s\n", identifier.c_str(), folder.string().c_str());
}

void WriteIntune(const InstallerFacts& facts, const ParsedArgs&)
{
    WriteStdout(IntuneText(facts));
}

struct FormatRow {
    std::string_view Name;
    bool TakesOutput;  // -o and --url mean something to it
    void (*Write)(const InstallerFacts& facts, const ParsedArgs& parsed);
};
constexpr FormatRow kFormats[] = {{"winget", true, WriteWinget}, {"intune", false, WriteIntune}};

const FormatRow& CheckedFormat(const ParsedArgs& parsed)
{
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

void CheckValues(const ParsedArgs& parsed)
{
    if (const auto url = parsed.Value("url"); url && !IsInstallerUrl(*url))
        throw UsageError("--url '" + *url + "' is no http:// or https:// address (one line, at most 2048 characters)");
    if (const auto id = parsed.Value("id"); id && !IsPackageIdentifier(*id))
        throw UsageError("--id '" + *id + "' is no package identifier: 2 to 8 parts joined by dots, each of 1 to 32 "
                         "characters without blanks, dots or \\ / : * ? \" < > |");
}

int RunManifest(const std::vector<std::string>& args)
{
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
    "installer carries (names, version, text mode, publishers, its manifest's execution\n"
    "level) is read from the installer itself; LicenseName and Description from\n"
    "product.ini.\n"
    "\n"
    "  --format winget  (default) a winget manifest of schema version 1.6.0: DIR/<ID>.yaml,\n"
    "                   DIR/<ID>.installer.yaml and DIR/<ID>.locale.en-US.yaml, with the\n"
    "                   switches, the exit codes, the installer's SHA-256 and one Apps and\n"
    "                   Features entry for each display name the text mode registers\n"
    "  --url URL        where winget downloads the installer (http:// or https://)\n"
    "  -o, --output DIR the manifest's folder (default: ./<ID>, made when missing)\n"
    "  --id ID          the package identifier (default: Publisher.Product from\n"
    "                   PublisherEnglish and DisplayNameEnglish, without the blanks, dots\n"
    "                   and other characters an identifier may not hold, each part cut to\n"
    "                   32 characters)\n"
    "  --format intune  prints the install and uninstall commands, the detection rule (the\n"
    "                   uninstall entry's DisplayVersion) and the return codes of a Win32\n"
    "                   app, ready to paste\n",
    RunManifest,
};

}  // namespace stp::tool
