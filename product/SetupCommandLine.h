// The installer's command line, read only when the product says Unattended = yes: the
// switches stp manifest writes into the package manifests, matched in any letter case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stp {

enum class SetupMode : std::uint8_t {
    Wizard,   // no /S or /P: the wizard, as without the setting
    Silent,   // /S: no window at all
    Passive,  // /P: a progress window only, no questions
};

// The switches, as stp manifest writes them.
inline constexpr char16_t kSilentSwitch[] = u"/S";
inline constexpr char16_t kPassiveSwitch[] = u"/P";
inline constexpr char16_t kDestinationSwitch[] = u"/D=";  // the last argument, to the end of the line
inline constexpr char16_t kLogSwitch[] = u"/LOG=";

struct SetupCommandLine {
    SetupMode Mode = SetupMode::Wizard;
    std::u16string Destination;  // /D=; empty: the folder the wizard proposes
    std::u16string LogFile;      // /LOG=; empty: nothing is logged
    std::u16string BadSwitch;    // the first argument not understood; empty when none
};

// Reads the arguments after the program's name. /D= takes the rest of the line as it
// stands, spaces included (surrounding quotes dropped); other arguments are separated
// by blanks and may be quoted ("/LOG=C:\My Logs\setup.log" or /LOG="C:\My Logs\x.log").
SetupCommandLine ParseSetupCommandLine(std::u16string_view Arguments);

// The command line Windows gives a program without the program's name, quoted or not.
std::u16string_view ArgumentsOf(std::u16string_view CommandLine);

}  // namespace stp
