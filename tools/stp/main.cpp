// stp: command-line tool for setup packages and their encrypted text envelopes.
// A command is added by writing its CmdXxx.cpp and listing it in kCommands.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "datatable/Text.h"
#include "tools/stp/Command.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

const Command* const kCommands[] = {&kInitCommand,      &kBuildCommand,   &kManifestCommand, &kPackCommand,
                                    &kListCommand,      &kExtractCommand, &kOpenCommand,     &kSealCommand,
                                    &kResourcesCommand, &kDocsCommand,    &kTablesCommand};

void PrintUsage(std::FILE* stream) {
    std::string text = "Usage: stp COMMAND [OPTIONS]\n\nCommands:\n";
    std::size_t width = 0;  // the summaries line up after the longest name
    for (const Command* command : kCommands) {
        width = std::max(width, command->name.size() + 2);
    }
    for (const Command* command : kCommands) {
        text += "  " + std::string(command->name) + std::string(width - command->name.size(), ' ') +
                std::string(command->summary) + "\n";
    }
    text += "\nRun \"stp COMMAND --help\" for a command's options.\n";
    std::fputs(text.c_str(), stream);
}

const Command* FindCommand(std::string_view name) {
    for (const Command* command : kCommands) {
        if (command->name == name) {
            return command;
        }
    }
    return nullptr;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

int RunCommand(const Command& command, const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(std::string(command.help).c_str(), stdout);
        return kExitOk;
    }
    try {
        return command.run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "stp %s: %s\nRun \"stp %s --help\" for usage.\n", std::string(command.name).c_str(),
                     e.what(), std::string(command.name).c_str());
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stp %s: %s\n", std::string(command.name).c_str(), e.what());
        return kExitFailure;
    }
}

// args: the program's arguments after its name, as UTF-8.
int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs("stp: no command given\n\n", stderr);
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        std::printf("stp %s\n", STP_VERSION);
        return kExitOk;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    const Command* command = FindCommand(args[0]);
    if (!command) {
        std::fprintf(stderr, "stp: unknown command \"%s\"\n\n", args[0].c_str());
        PrintUsage(stderr);
        return kExitUsage;
    }
    UseBinaryStreams();
    return RunCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()));
}

}  // namespace

}  // namespace stp::tool

#ifdef _WIN32
// Programs link with -municode: the arguments arrive as UTF-16.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(stp::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return stp::tool::Run(args);
}
#else
int main(int argc, char** argv) { return stp::tool::Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
