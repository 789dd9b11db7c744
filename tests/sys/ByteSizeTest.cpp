#include "sys/ByteSize.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace stp {
namespace {

struct SizeCase {
    std::int64_t size;
    const char16_t* text;
};

constexpr std::int64_t kMB = 1048576;
constexpr std::int64_t kGB = 1073741824;

TEST(FormatByteSize, UnitsAndRoundingHalvesToEven) {
    const SizeCase cases[] = {
        {0, u"0 Bytes"},
        {-1, u"-1 Bytes"},
        {std::numeric_limits<std::int64_t>::min(), u"-9223372036854775808 Bytes"},
        {1023, u"1023 Bytes"},
        {1024, u"1 KB"},
        {1536, u"2 KB"},
        {2560, u"2 KB"},
        {3584, u"4 KB"},
        {1048575, u"1024 KB"},
        {kMB, u"1 MB"},
        {kMB + kMB / 4, u"1.2 MB"},
        {kMB + kMB * 3 / 4, u"1.8 MB"},
        {1572864, u"1.5 MB"},
        {100 * kMB, u"100 MB"},
        {100 * kMB + kMB / 2, u"100 MB"},
        {101 * kMB + kMB / 2, u"102 MB"},
        {1073741823, u"1024 MB"},
        {kGB, u"1 GB"},
        {kGB + kGB / 2, u"1.5 GB"},
        {150 * kGB, u"150 GB"},
        {std::numeric_limits<std::int64_t>::max(), u"8589934592 GB"},
    };
    for (const SizeCase& c : cases) EXPECT_EQ(FormatByteSize(c.size, u"."), c.text) << "size " << c.size;
}

TEST(FormatByteSize, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatByteSize(1572864, u","), u"1,5 MB");
    EXPECT_EQ(FormatByteSize(kGB + kGB / 2, u","), u"1,5 GB");
    // Whole numbers have no separator at all.
    EXPECT_EQ(FormatByteSize(100 * kMB, u","), u"100 MB");
}

TEST(FormatByteSize, DefaultsToTheUsersSeparator) {
    const std::u16string separator = UserDecimalSeparator();
    ASSERT_FALSE(separator.empty());
    EXPECT_EQ(FormatByteSize(1572864), u"1" + separator + u"5 MB");
}

}  // namespace
}  // namespace stp
