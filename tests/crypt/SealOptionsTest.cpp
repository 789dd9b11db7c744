#include "crypt/SealOptions.h"

#include <gtest/gtest.h>

#include "crypt/Cipher.h"
#include "crypt/Hash.h"

namespace stp {
namespace {

bool AllHeaderChars(std::u16string_view text) {
    for (const char16_t ch : text) {
        if (ch < kFirstHeaderChar || ch > kLastHeaderChar) {
            return false;
        }
    }
    return true;
}

void ExpectValid(const SealOptions& options, int cipher, int hash) {
    EXPECT_EQ(options.cipherIndex, cipher);
    EXPECT_EQ(options.hashIndex, hash);
    ASSERT_EQ(options.salt.size(), 8u);
    EXPECT_TRUE(AllHeaderChars(options.salt));
    EXPECT_TRUE(AllHeaderChars(options.iv));
    EXPECT_EQ(options.iv.size(), CreateCipherByIndex(cipher)->BlockBits() / 8);
    // The base characters the envelope will carry stay printable too.
    EXPECT_GE(options.salt[3] - cipher, kFirstHeaderChar);
    EXPECT_GE(options.salt[4] - hash, kFirstHeaderChar);
}

TEST(SealOptions, DerivedHeadersAreValidForEveryPair) {
    // Many seeds, so that selector characters near the lower bound turn up.
    for (int cipher = 0; cipher < kCipherCount; ++cipher) {
        for (int hash = 0; hash < kHashCount; ++hash) {
            for (std::uint8_t seed = 0; seed < 40; ++seed) {
                SCOPED_TRACE(std::to_string(cipher) + "/" + std::to_string(hash) + " seed " + std::to_string(seed));
                ExpectValid(DeriveSealOptions(cipher, hash, std::span(&seed, 1)), cipher, hash);
            }
        }
    }
}

TEST(SealOptions, DerivationIsDeterministicPerSeed) {
    const std::uint8_t a[] = {1, 2, 3};
    const std::uint8_t b[] = {1, 2, 4};
    const SealOptions first = DeriveSealOptions(5, 3, a);
    const SealOptions again = DeriveSealOptions(5, 3, a);
    EXPECT_EQ(first.salt, again.salt);
    EXPECT_EQ(first.iv, again.iv);
    const SealOptions other = DeriveSealOptions(5, 3, b);
    EXPECT_NE(first.salt + first.iv, other.salt + other.iv);
}

TEST(SealOptions, RandomHeadersAreValidAndVary) {
    const SealOptions a = RandomSealOptions(7, 4);
    const SealOptions b = RandomSealOptions(7, 4);
    ExpectValid(a, 7, 4);
    ExpectValid(b, 7, 4);
    EXPECT_NE(a.salt + a.iv, b.salt + b.iv);
}

TEST(SealOptions, IndicesOutsideTheTablesAreRejected) {
    EXPECT_THROW(DeriveSealOptions(9, 0, {}), std::invalid_argument);
    EXPECT_THROW(DeriveSealOptions(0, -1, {}), std::invalid_argument);
    EXPECT_THROW(RandomSealOptions(-1, 0), std::invalid_argument);
}

}  // namespace
}  // namespace stp
