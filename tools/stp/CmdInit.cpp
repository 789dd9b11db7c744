// stp init: starts a product folder that stp build takes: a commented product.ini,
// generic artwork and a payload.txt naming the program.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "product/ProductTable.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/GenericArt.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec kOptions[] = {{"name", true}, {"exe", true}};

// The program's base name from the product's name: its letters and digits.
std::string ExeFromName(const std::string& name) {
    std::string exe;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) exe += c;
    }
    return exe.empty() ? "Program" : exe;
}

// What stp init writes for a setting the table leaves without a default.
std::string InitialValue(Setting setting, const std::string& name, const std::string& exe) {
    switch (setting) {
    case Setting::WindowClass: return exe + "MainWindow";
    case Setting::TitleEnglish:
    case Setting::TitleChinese:
    case Setting::DisplayNameEnglish:
    case Setting::DisplayNameChinese: return name;
    case Setting::Freeware: return "-1";
    case Setting::ExeName: return exe;
    case Setting::Version: return "1.0";
    case Setting::NeedSize: return "auto";
    case Setting::TextMode: return "2";
    case Setting::CopyrightAuthor: return "版权所有 © " + name;
    case Setting::CopyrightMaker: return "Copyright © " + name + ". All rights reserved.";
    default: return ToUtf8(SettingOf(setting).Default);
    }
}

// Every setting of the product table with its line of help; the settings beyond what
// every installer carries are shown with their defaults, commented out.
std::string ProductIni(const std::string& name, const std::string& exe) {
    std::string text = "# The installer of " + name +
                       ": what its wizard shows and how it knows the running\n"
                       "# program. One setting a line, NAME = value; lines starting with # are notes. stp build\n"
                       "# reads this file, the pictures and icons in art/ and the files payload.txt lists.\n";
    bool extensions = false;
    for (const SettingRow& setting : kSettings) {
        if (setting.Extension && !extensions) {
            text += "\n# Your own choices: without them the installer behaves as the demo's does.\n";
            extensions = true;
        }
        std::string help = setting.Help;
        help[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(help[0])));
        text += "\n# " + help + (setting.Required ? "" : " (optional)") + "\n";
        text += std::string(setting.Extension ? "# " : "") + setting.Key + " = " + InitialValue(setting.Id, name, exe) +
                "\n";
    }
    return text;
}

std::string PayloadList(const std::string& exe) {
    return "# The files the installer carries: SOURCE<tab>FOLDER a line. SOURCE, relative to this\n"
           "# folder, is a file, a folder (every file below it, its sub-folders kept below FOLDER)\n"
           "# or a pattern (bin/*.dll: the matching files of bin); a line !*.pdb leaves the files\n"
           "# it matches out of the lines above it. FOLDER is empty for the installation folder,\n"
           "# \"sub\\\" for a folder below it, or $System$ for the Windows system folder. The program\n"
           "# " +
           exe + ".exe must be here, with an empty FOLDER: copy it beside this file.\n" + exe + ".exe\t\n";
}

void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

int RunInit(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) throw UsageError("expected one DIR");
    const fs::path dir = NativePath(FromUtf8(parsed.Positional()[0]));
    const std::string name = parsed.Value("name").value_or("My Product");
    std::string exe = parsed.Value("exe").value_or(ExeFromName(name));
    if (exe.size() > 4 && exe.compare(exe.size() - 4, 4, ".exe") == 0) exe.resize(exe.size() - 4);
    if (exe.empty() || exe.find_first_of("\\/:*?\"<>|") != std::string::npos)
        throw UsageError("--exe must be a file name without a folder");
    if (name.find_first_of("\r\n") != std::string::npos) throw UsageError("--name must be one line");
    // It becomes the display names, and so the uninstall entry's key, as stp build reads
    // them: without the blanks around.
    const std::size_t first = name.find_first_not_of(" \t");
    const std::string trimmed =
        first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" \t") + 1 - first);
    if (const std::string fault = RegistryKeyNameFault(FromUtf8(trimmed)); !fault.empty())
        throw UsageError("--name cannot name the uninstall entry's registry key: " + fault);

    try {
        // A vendor's folder is never overwritten.
        for (const char* file : {"product.ini", "payload.txt", "art"}) {
            if (fs::exists(dir / file)) throw std::runtime_error((dir / file).string() + " exists already");
        }
        fs::create_directories(dir / "art");
        Write(dir / "product.ini", ProductIni(name, exe));
        Write(dir / "payload.txt", PayloadList(exe));
        for (const EmbeddedFile& art : kGenericArt)
            Write(dir / "art" / art.Name, std::string(reinterpret_cast<const char*>(art.Bytes), art.Size));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stp: error: %s\n", e.what());
        return kExitFailure;
    }
    std::fprintf(stderr,
                 "stp: made %s. Copy %s.exe into it, list any other files in payload.txt, adjust\n"
                 "product.ini and the pictures in art/, then run: stp build %s\n",
                 dir.string().c_str(), exe.c_str(), dir.string().c_str());
    return kExitOk;
}

}  // namespace

const Command kInitCommand = {
    "init",
    "start a product folder for stp build",
    "Usage: stp init DIR [--name NAME] [--exe EXE]\n"
    "\n"
    "Writes into DIR a commented product.ini, generic artwork in art/ and a payload.txt\n"
    "that names the program. Files already there are never overwritten.\n"
    "\n"
    "  --name NAME  the product's display name (default \"My Product\")\n"
    "  --exe EXE    the program's file name (default: the name's letters and digits)\n",
    RunInit,
};

}  // namespace stp::tool
