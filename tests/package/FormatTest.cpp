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
        {{0, 0, 0, 0, 0, 0, 0, 0x0B, 0x14, 0x02}, 26},
        {{0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14},
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
