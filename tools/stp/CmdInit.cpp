// stp init: starts a product folder that stp build takes: a commented product.ini,
// generic artwork and a payload.txt naming the program.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/GenericArt.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec kOptions[] = {{"name", true}, {"exe", true}};

// The program's base name from the product's name: its letters and digits.
std::string ExeFromName(const std::string& name)
{
    std::string exe;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) exe += c;
    }
    return exe.empty() ? "Program" : exe;
}

std::string ProductIni(const std::string& name, const std::string& exe)
{
    return "# The installer of " + name + ": what its wizard shows and how it knows the running\n"
           "# program. One setting a line, NAME = value; lines starting with # are notes. stp build\n"
           "# reads this file, the pictures and icons in art/ and the files payload.txt lists.\n"
           "\n"
           "# The program's main window: its class name and its English and Chinese titles. Setup\n"
           "# refuses to run while a window of this class with one of these titles is open.\n"
           "WindowClass = " + exe + "MainWindow\n"
           "TitleEnglish = " + name + "\n"
           "TitleChinese = " + name + "\n"
           "# The product's name as the wizard and the list of installed programs show it.\n"
           "DisplayNameEnglish = " + name + "\n"
           "DisplayNameChinese = " + name + "\n"
           "# -1 (or any number but 0, or True) for freeware; 0 (or False) for shareware.\n"
           "Freeware = -1\n"
           "# The program's file name without .exe; it also names the installation folder.\n"
           "ExeName = " + exe + "\n"
           "Version = 1.0\n"
           "# The space the wizard says the product needs; auto: the size of the payload.\n"
           "NeedSize = auto\n"
           "\n"
           "# The wizard's texts: 0 Chinese, 2 English.\n"
           "TextMode = 2\n"
           "# The last line of the Chinese and of the English licence agreement.\n"
           "CopyrightAuthor = 版权所有 © " + name + "\n"
           "CopyrightMaker = Copyright © " + name + ". All rights reserved.\n"
           "# The maker's Chinese-language page and home page.\n"
           "WebChinese = \n"
           "WebHome = \n";
}

std::string PayloadList(const std::string& exe)
{
    return "# The files the installer carries, one a line: SOURCE<tab>FOLDER. SOURCE is relative to\n"
           "# this folder; FOLDER is empty for the installation folder, \"sub\\\" for a folder below\n"
           "# it, or $System$ for the Windows system folder. The program " + exe + ".exe must be\n"
           "# here, with an empty FOLDER: copy it beside this file.\n" +
           exe + ".exe\t\n";
}

void Write(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

int RunInit(const std::vector<std::string>& args)
{
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) throw UsageError("expected one DIR");
    const fs::path dir = NativePath(FromUtf8(parsed.Positional()[0]));
    const std::string name = parsed.Value("name").value_or("My Product");
    std::string exe = parsed.Value("exe").value_or(ExeFromName(name));
    if (exe.size() > 4 && exe.compare(exe.size() - 4, 4, ".exe") == 0) exe.resize(exe.size() - 4);
    if (exe.empty() || exe.find_first_of("\\/:*?\"<>|") != std::string::npos)
        throw UsageError("--exe must be a file name without a folder");
    if (name.find_first_of("\r\n") != std::string::npos) throw UsageError("--name must be one line");

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
