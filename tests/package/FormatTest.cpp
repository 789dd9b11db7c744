#include <gtest/gtest.h>

#include <vector>

#include "package/Format.h"
#include "datatable/Text.h"
#include "package/PathRules.h"

namespace stp {
namespace {

struct TailCase {
    std::vector<int> tail;  // the last bytes, in file order
    std::int64_t fromEnd;   // expected offset of the length field, counted from the end
};

TEST(PackageFormat, LengthFieldIsFoundFromTheTrailer) {
    const TailCase cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0x0A, 0x14, 0x02}, 7},  // as written
        {{0, 0, 0, 0, 0, 0, 0, 0x0A, 0x14, 0xFF}, 7},  // the last byte is never examined
        {{0, 0, 0, 0, 0, 0, 0, 0x0B, 0x14, 0x02}, 26}, {{0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14},
        {{0x0B, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0x02}, 33},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> tail(c.tail.begin(), c.tail.end());
        EXPECT_EQ(LengthFieldOffset(tail.data(), tail.size(), 1000), 1000 - c.fromEnd);
    }
    // A file shorter than the tail: missing bytes match no marker.
    const unsigned char tiny[] = {0x14, 0x02};
    EXPECT_EQ(LengthFieldOffset(tiny, 2, 2), 2 - 26);
}

TEST(PackagePathRules, FoldersAndNames) {
    for (auto ok : {u"", u"sub\\", u"a\\b\\", u"a\\.\\b\\", u"..a\\", u"a..\\"})
        EXPECT_TRUE(IsContainedFolder(ok)) << ToUtf8(ok);
    for (auto bad : {u"..\\", u"a\\..\\..\\", u"\\abs\\", u"/abs/", u"C:\\x\\", u"C:x\\", u"\\\\server\\share\\",
                     u"a/../../", u"..", u"a\\..", u".. \\x\\", u"a\\...\\", u"a\\ ..\\", u"a\\. \\", u"a\\ \\"})
        EXPECT_FALSE(IsContainedFolder(bad)) << ToUtf8(bad);

    EXPECT_EQ(LastPathComponent(u"a\\b:c\\name.txt"), u"name.txt");
    EXPECT_EQ(LastPathComponent(u"C:name"), u"name");
    EXPECT_EQ(LastPathComponent(u"x\\"), u"");
    for (auto bad : {u"", u".", u"..", u"a/b", u".. ", u"...", u" "}) EXPECT_FALSE(IsPlainFileName(bad)) << ToUtf8(bad);
    for (auto ok : {u"a,b|c.txt", u"..a", u". a"}) EXPECT_TRUE(IsPlainFileName(ok)) << ToUtf8(ok);
}

// The destination folder comes from the user (/D= or the wizard) and the installer
// runs elevated: it must name on disk exactly the folder it says.
TEST(PackagePathRules, SetupDirsWindowsReadsAsWritten) {
    struct Case {
        const char16_t* folder;
        bool plain;
    };
    const Case cases[] = {
        {u"C:\\Program Files\\Orvane Soft\\Karvel", true},
        {u"c:\\tools\\app\\", true},
        {u"D:\\", true},
        {u"z:\\x", true},
        {u"C:\\a.b\\c", true},
        {u"C:\\.config\\ lead", true},  // only a trailing dot or space is dropped
        {u"C:\\Con1\\x", true},
        {u"C:\\CONSOLE", true},
        {u"C:\\COM10\\COM0\\LPT\\nul1", true},
        {u"C:\\COM\u2074", true},  // only the superscripts 1 2 3 make a device
        {u"C:\\\u00C4rger\\\u65E5\u672C", true},

        // Not a full path on a drive.
        {u"", false},
        {u"C:", false},
        {u"C:Lumen", false},
        {u"\\Lumen", false},
        {u"1:\\Lumen", false},
        {u"\\\\server\\share\\Lumen", false},
        {u"\\\\?\\C:\\Lumen", false},
        {u"\\\\.\\C:\\Lumen", false},
        {u"C:/Lumen", false},
        // A stream or a second drive.
        {u"C:\\Lumen:ads", false},
        {u"C:\\a\\D:\\b", false},
        // Components Windows changes or climbs out of.
        {u"C:\\Lumen. .", false},
        {u"C:\\Lumen.", false},
        {u"C:\\Lumen \\x", false},
        {u"C:\\Windows\\..\\Lumen3", false},
        {u"C:\\a\\.\\b", false},
        {u"C:\\.. \\x", false},
        {u"C:\\a\\\\b", false},
        {u"C:\\\\", false},
        {u"C:\\a\\\\", false},
        // Devices, in any case and with any extension.
        {u"C:\\CON", false},
        {u"C:\\x\\nul.txt", false},
        {u"C:\\x\\Con .x\\y", false},
        {u"C:\\prn\\", false},
        {u"C:\\aUx.a.b", false},
        {u"C:\\com1", false},
        {u"C:\\LPT9.log", false},
        {u"C:\\com\u00B9", false},
        {u"C:\\Lpt\u00B2\\x", false},
        {u"C:\\COM\u00B3.txt", false},
        // Characters no name may hold.
        {u"C:\\a/b", false},
        {u"C:\\a<b", false},
        {u"C:\\a>b", false},
        {u"C:\\a\"b", false},
        {u"C:\\a|b", false},
        {u"C:\\a?b", false},
        {u"C:\\a*b", false},
        {u"C:\\a\tb", false},
        {u"C:\\a\x01", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPlainSetupDir(c.folder), c.plain) << ToUtf8(c.folder);
    // A name as long as file systems hold, and one longer.
    EXPECT_TRUE(IsPlainSetupDir(u"C:\\" + std::u16string(255, u'a')));
    EXPECT_FALSE(IsPlainSetupDir(u"C:\\" + std::u16string(256, u'a') + u"\\x"));
}

TEST(PackagePathRules, MacroFolders) {
    const std::u16string sys = u"C:\\windows\\system32\\";
    EXPECT_EQ(ExpandMacroFolder(u"$System$", sys), sys);
    EXPECT_EQ(ExpandMacroFolder(u"$SYSTEM$sub\\System\\", sys), sys + u"sub\\System\\");
    EXPECT_EQ(ExpandMacroFolder(u"$Third$", sys), sys);
    EXPECT_EQ(ExpandMacroFolder(u"$third$x\\", sys), sys + u"x\\");
    // Without "System" in its exact case only "$Third$" is replaced.
    EXPECT_EQ(ExpandMacroFolder(u"$system$", sys), u"$system$");

    EXPECT_EQ(SafeMacroFolder(u"$Third$sub\\", sys), sys + u"sub\\");
    EXPECT_FALSE(SafeMacroFolder(u"$system$", sys));  // would land beside the program
    EXPECT_FALSE(SafeMacroFolder(u"$System$..\\", sys));
    EXPECT_FALSE(SafeMacroFolder(u"$System$$System$", sys));
    EXPECT_FALSE(SafeMacroFolder(u"$System$", u""));
}

}  // namespace
}  // namespace stp
