#include "tools/stp/CommandLine.h"

#include <gtest/gtest.h>

#include "tools/stp/Command.h"

namespace stp::tool {
namespace {

constexpr OptionSpec kSpecs[] = {{"password", true}, {"utf16", false}, {"o", true}};

TEST(CommandLine, ReadsValuesFlagsAndPositionals) {
    const ParsedArgs parsed =
        ParseArgs({"--password", "a b", "in", "--utf16", "-o", "out", "-", "--", "--password"}, kSpecs);
    EXPECT_EQ(parsed.Value("password"), "a b");
    EXPECT_TRUE(parsed.Has("utf16"));
    EXPECT_EQ(parsed.Value("utf16"), "");
    EXPECT_EQ(parsed.Value("o"), "out");
    EXPECT_EQ(parsed.Positional(), (std::vector<std::string>{"in", "-", "--password"}));

    EXPECT_EQ(ParseArgs({"--password=x=y"}, kSpecs).Value("password"), "x=y");
    EXPECT_EQ(ParseArgs({"--password="}, kSpecs).Value("password"), "");
    EXPECT_FALSE(ParseArgs({}, kSpecs).Value("password").has_value());
}

TEST(CommandLine, RejectsWhatItCannotRead) {
    const std::vector<std::vector<std::string>> cases = {
        {"--frob"}, {"-p"}, {"-password", "x"}, {"--password"}, {"--utf16=yes"}, {"--utf16", "--utf16"},
    };
    for (const auto& args : cases) {
        EXPECT_THROW(ParseArgs(args, kSpecs), UsageError) << args[0];
    }
}

TEST(CommandLine, NumbersMustBeWholeAndInRange) {
    EXPECT_EQ(ParseNumber("0", 0, 8, "cipher"), 0);
    EXPECT_EQ(ParseNumber("8", 0, 8, "cipher"), 8);
    for (const char* text : {"", "9", "-1", "1x", " 1", "0x1", "99999999999"}) {
        EXPECT_THROW(ParseNumber(text, 0, 8, "cipher"), UsageError) << text;
    }
}

}  // namespace
}  // namespace stp::tool
