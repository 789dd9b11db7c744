#include "crypt/Hash.h"

#include <gtest/gtest.h>

#include "crypt/Haval.h"
#include "Hex.h"

namespace stp {
namespace {

using test::AsBytes;
using test::Bytes;
using test::ToHex;

std::string DigestHex(Hash& hash, std::string_view message) {
    hash.Feed(AsBytes(message));
    Bytes digest(hash.DigestBits() / 8);
    hash.Finish(digest);
    return ToHex(digest);
}

struct Vector {
    int index;
    std::size_t digestBits;
    std::string_view message;
    std::string_view digest;
};

// MD5: RFC 1321 A.5. SHA-1, SHA-256, SHA-512: the one-block "abc" examples of FIPS 180
// and the two-block SHA-1/SHA-256 example.
constexpr Vector kPublished[] = {
    {1, 128, "", "d41d8cd98f00b204e9800998ecf8427e"},
    {1, 128, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {1, 128, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {2, 160, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {2, 160, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {3, 256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {3, 256, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {4, 512, "abc",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
     "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
};

TEST(HashFactory, LibraryHashesMatchPublishedVectors) {
    for (const auto& v : kPublished) {
        const auto hash = CreateHashByIndex(v.index);
        ASSERT_NE(hash, nullptr);
        EXPECT_EQ(hash->DigestBits(), v.digestBits);
        EXPECT_EQ(DigestHex(*hash, v.message), v.digest) << "index " << v.index << " \"" << v.message << "\"";
    }
}

// Index 0 is HAVAL-256/5 closed with the 0x80 padding of the sealing side, not the
// published padding.
TEST(HashFactory, IndexZeroIsHavalWithHighBitPadding) {
    const auto hash = CreateHashByIndex(0);
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(hash->DigestBits(), 256u);
    for (const std::string_view message : {"", "salt1234"}) {
        Haval256Pass5 haval(Haval256Pass5::kHighBitPadding);
        haval.Feed(AsBytes(message));
        std::array<std::uint8_t, 32> expected{};
        haval.Finish(expected);
        EXPECT_EQ(DigestHex(*hash, message), ToHex(expected)) << message;
    }
    EXPECT_NE(DigestHex(*hash, ""), "be417bb4dd5cfb76c7126f4f8eeb1553a449039307b1a3cd451dbfdc0fbbe330");
}

TEST(HashFactory, StartDiscardsAndFinishRestarts) {
    for (int index = 0; index < kHashCount; ++index) {
        const auto hash = CreateHashByIndex(index);
        const std::string fresh = DigestHex(*hash, "abc");
        hash->Feed(AsBytes("discarded"));
        hash->Start();
        EXPECT_EQ(DigestHex(*hash, "abc"), fresh) << "index " << index;
        EXPECT_EQ(DigestHex(*hash, "abc"), fresh) << "index " << index;
    }
}

TEST(HashFactory, OtherIndicesGiveNoObject) {
    for (const int index : {-1, 5, 100}) {
        EXPECT_EQ(CreateHashByIndex(index), nullptr) << index;
    }
}

TEST(HashFactory, FinishRejectsAWrongDigestBuffer) {
    const auto hash = CreateHashByIndex(2);
    Bytes small(19);
    EXPECT_THROW(hash->Finish(small), std::invalid_argument);
}

}  // namespace
}  // namespace stp
