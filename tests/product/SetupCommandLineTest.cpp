#include "product/SetupCommandLine.h"

#include <gtest/gtest.h>

#include "datatable/Text.h"

namespace stp {
namespace {

struct LineCase {
    const char16_t* arguments;
    SetupMode mode;
    const char16_t* destination;
    const char16_t* log;
    const char16_t* bad;
};

const LineCase kLines[] = {
    {u"", SetupMode::Wizard, u"", u"", u""},
    {u"  /S ", SetupMode::Silent, u"", u"", u""},
    {u"/s", SetupMode::Silent, u"", u"", u""},
    {u"/P", SetupMode::Passive, u"", u"", u""},
    {u"/P /S", SetupMode::Silent, u"", u"", u""},
    // /D= takes the rest of the line, spaces and all, as NSIS's does.
    {u"/S /D=C:\\Deploy Here\\Product", SetupMode::Silent, u"C:\\Deploy Here\\Product", u"", u""},
    {u"/S /d=C:\\Deploy Here\\Product /P  ", SetupMode::Silent, u"C:\\Deploy Here\\Product /P", u"", u""},
    {u"/S /D=\"C:\\Quoted Place\"", SetupMode::Silent, u"C:\\Quoted Place", u"", u""},
    {u"/S \"/D=C:\\Quoted Whole\"", SetupMode::Silent, u"C:\\Quoted Whole", u"", u""},
    {u"/LOG=C:\\logs\\setup.log /S", SetupMode::Silent, u"", u"C:\\logs\\setup.log", u""},
    // As winget passes its log path, quoted by the manifest stp writes.
    {u"/S /LOG=\"C:\\Users\\John Smith\\AppData\\Local\\x.log\" /D=C:\\P", SetupMode::Silent, u"C:\\P",
     u"C:\\Users\\John Smith\\AppData\\Local\\x.log", u""},
    // Unquoted, a path with a space is two arguments: the second is not understood.
    {u"/S /LOG=C:\\John Smith\\x.log", SetupMode::Silent, u"", u"C:\\John", u"Smith\\x.log"},
    {u"/log=\"C:\\My Logs\\setup.log\" /S", SetupMode::Silent, u"", u"C:\\My Logs\\setup.log", u""},
    {u"\"/LOG=C:\\My Logs\\s.log\" /P", SetupMode::Passive, u"", u"C:\\My Logs\\s.log", u""},
    // The first argument not understood is named, the others still read.
    {u"/S /VERYSILENT /LOG=x.log /Q", SetupMode::Silent, u"", u"x.log", u"/VERYSILENT"},
    {u"/SILENT", SetupMode::Wizard, u"", u"", u"/SILENT"},
    {u"install /S", SetupMode::Silent, u"", u"", u"install"},
    {u"/LOG= /S", SetupMode::Silent, u"", u"", u"/LOG="},
    {u"/S /D=", SetupMode::Silent, u"", u"", u"/D="},
    {u"/S /D=   ", SetupMode::Silent, u"", u"", u"/D="},
};

TEST(SetupCommandLine, ReadsTheSwitchesInAnyCase) {
    for (const LineCase& c : kLines) {
        const SetupCommandLine line = ParseSetupCommandLine(c.arguments);
        SCOPED_TRACE(ToUtf8(c.arguments));
        EXPECT_EQ(line.Mode, c.mode);
        EXPECT_EQ(ToUtf8(line.Destination), ToUtf8(c.destination));
        EXPECT_EQ(ToUtf8(line.LogFile), ToUtf8(c.log));
        EXPECT_EQ(ToUtf8(line.BadSwitch), ToUtf8(c.bad));
    }
}

TEST(SetupCommandLine, TheProgramsNameIsNotAnArgument) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"\"C:\\Down loads\\setup.exe\" /S", u" /S"},
        {u"setup.exe /S /D=C:\\x", u" /S /D=C:\\x"},
        {u"setup.exe", u""},
        {u"\"C:\\unclosed setup.exe /S", u""},
        {u"\"setup.exe\"/S", u"/S"},
    };
    for (const auto& [line, arguments] : cases)
        EXPECT_EQ(ToUtf8(std::u16string(ArgumentsOf(line))), ToUtf8(arguments)) << ToUtf8(line);
}

}  // namespace
}  // namespace stp
