#include "sys/Drives.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sys/ByteSize.h"

namespace stp {
namespace {

TEST(GetDriveLetters, FixedDrivesInUpperCaseAlphabetically) {
    const std::u16string letters = GetDriveLetters();
    EXPECT_NE(letters.find(u'C'), std::u16string::npos);
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()));
    EXPECT_EQ(std::adjacent_find(letters.begin(), letters.end()), letters.end());
    for (char16_t letter : letters) {
        ASSERT_TRUE(letter >= u'A' && letter <= u'Z');
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
        EXPECT_EQ(GetDriveTypeW(root), static_cast<UINT>(DRIVE_FIXED)) << static_cast<char>(letter);
    }
}

TEST(GetDriveFreeSpace, EitherCaseNamesTheSameDrive) {
    // Other programs write to the disk meanwhile: compare only while the upper-case
    // reading holds still on both sides of the lower-case one.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::int64_t before = GetDriveFreeSpace(u'C');
        const std::int64_t lower = GetDriveFreeSpace(u'c');
        const std::int64_t after = GetDriveFreeSpace(u'C');
        ASSERT_GT(before, 0);
        if (before == after) {
            EXPECT_EQ(lower, before);
            return;
        }
    }
    FAIL() << "the free space of C: never held still";
}

TEST(GetDriveFreeSpace, MissingDriveGivesMinusOne) {
    const DWORD mask = GetLogicalDrives();
    int missing = 25;
    while (missing >= 0 && (mask & (1u << missing))) --missing;
    ASSERT_GE(missing, 0);
    const std::int64_t space = GetDriveFreeSpace(static_cast<char16_t>(u'A' + missing));
    EXPECT_EQ(space, -1);
    EXPECT_EQ(FormatByteSize(space), u"-1 Bytes");
    EXPECT_EQ(GetDriveFreeSpace(u'?'), -1);
}

}  // namespace
}  // namespace stp
