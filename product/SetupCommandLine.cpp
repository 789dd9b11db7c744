#include "product/SetupCommandLine.h"

namespace stp {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

bool StartsWithSwitch(std::u16string_view text, std::u16string_view name) {
    if (text.size() < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (AsciiUpper(text[i]) != name[i]) return false;
    return true;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == u'\r' || text.front() == u'\n'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == u'\r' || text.back() == u'\n'))
        text.remove_suffix(1);
    return text;
}

// One argument from Rest, its quotes removed; Rest moves past it.
std::u16string NextArgument(std::u16string_view& rest) {
    std::u16string argument;
    bool quoted = false;
    std::size_t i = 0;
    for (; i < rest.size() && (quoted || !IsBlank(rest[i])); ++i) {
        if (rest[i] == u'"')
            quoted = !quoted;
        else
            argument += rest[i];
    }
    rest.remove_prefix(i);
    return argument;
}

}  // namespace

SetupCommandLine ParseSetupCommandLine(std::u16string_view Arguments) {
    SetupCommandLine line;
    bool silent = false, passive = false;
    std::u16string_view rest = TrimBlanks(Arguments);
    while (!rest.empty()) {
        // "/D=C:\My Place" quoted whole is read as /D="C:\My Place".
        const bool quotedWhole = rest.front() == u'"' && StartsWithSwitch(rest.substr(1), kDestinationSwitch);
        if (quotedWhole || StartsWithSwitch(rest, kDestinationSwitch)) {
            std::u16string_view folder =
                TrimBlanks(rest.substr(std::u16string_view(kDestinationSwitch).size() + (quotedWhole ? 1 : 0)));
            if (quotedWhole && !folder.empty() && folder.back() == u'"') folder.remove_suffix(1);
            if (folder.size() >= 2 && folder.front() == u'"' && folder.back() == u'"')
                folder = folder.substr(1, folder.size() - 2);
            line.Destination = std::u16string(folder);
            if (line.Destination.empty() && line.BadSwitch.empty()) line.BadSwitch = kDestinationSwitch;
            break;
        }
        const std::u16string argument = NextArgument(rest);
        rest = TrimBlanks(rest);
        if (StartsWithSwitch(argument, kSilentSwitch) && argument.size() == 2)
            silent = true;
        else if (StartsWithSwitch(argument, kPassiveSwitch) && argument.size() == 2)
            passive = true;
        else if (StartsWithSwitch(argument, kLogSwitch) && argument.size() > std::u16string_view(kLogSwitch).size())
            line.LogFile = argument.substr(std::u16string_view(kLogSwitch).size());
        else if (line.BadSwitch.empty())
            line.BadSwitch = argument;
    }
    line.Mode = silent ? SetupMode::Silent : passive ? SetupMode::Passive : SetupMode::Wizard;
    return line;
}

std::u16string_view ArgumentsOf(std::u16string_view CommandLine) {
    std::size_t i = 0;
    // The program's name ends at the closing quote when it begins with one, else at the
    // first blank: Windows' own rule for the first argument.
    if (!CommandLine.empty() && CommandLine[0] == u'"') {
        const std::size_t close = CommandLine.find(u'"', 1);
        i = close == std::u16string_view::npos ? CommandLine.size() : close + 1;
    } else {
        while (i < CommandLine.size() && !IsBlank(CommandLine[i])) ++i;
    }
    return CommandLine.substr(i);
}

}  // namespace stp
