#include "crypt/Base64.h"

#include <gtest/gtest.h>

#include "Hex.h"

namespace stp {
namespace {

using test::AsBytes;
using test::Bytes;

// RFC 4648 section 10.
TEST(Base64, EncodesAndDecodesTheRfcVectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(EncodeBase64(AsBytes(plain)), encoded);
        EXPECT_EQ(DecodeBase64(encoded), AsBytes(plain)) << encoded;
    }
}

TEST(Base64, UsesTheWholeAlphabetInOrder) {
    Bytes all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<std::uint8_t>(i));
    }
    const std::string encoded = EncodeBase64(all);
    EXPECT_EQ(encoded.substr(0, 8), "AAECAwQF");
    EXPECT_NE(encoded.find("+/"), std::string::npos);
    EXPECT_EQ(DecodeBase64(encoded), all);
}

TEST(Base64, ReaderFollowsTheGroupRules) {
    const struct {
        std::string_view text;
        Bytes bytes;
        const char* rule;
    } cases[] = {
        {"Zm9vY", {'f', 'o', 'o'}, "a trailing group of one is ignored"},
        {"Zm9vYm", {'f', 'o', 'o'}, "a trailing group of two is ignored"},
        {"Zm9vYmF", {'f', 'o', 'o'}, "a trailing group of three is ignored"},
        {"Zg=x", {'f'}, "= in the third place ends the group after one byte"},
        {"Zm8=Zm9v", {'f', 'o', 'f', 'o', 'o'}, "later groups still decode"},
        {"A*==", {0x00}, "a character outside the alphabet counts as 0"},
        {"=A==", {0x00}, "= in the first place counts as 0"},
        {"\x80\xff\x01"
         "A",
         {0x00, 0x00, 0x00},
         "bytes outside ASCII count as 0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.rule;
    }
}

}  // namespace
}  // namespace stp
