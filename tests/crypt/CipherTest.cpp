#include "crypt/Cipher.h"

#include <gtest/gtest.h>

#include "LibraryReference.h"

namespace stp {
namespace {

using test::Bytes;
using test::EngineFactory;
using test::FromHex;
using test::LibraryCfb8;
using test::MakeEngine;
using test::ToHex;

Bytes Encrypt(int index, const Bytes& key, std::size_t keyBits, const Bytes& iv, Bytes data) {
    const auto cipher = CreateCipherByIndex(index);
    cipher->Init(key, keyBits, iv);
    cipher->EncryptInPlace(data);
    return data;
}

Bytes Encrypt(int index, const Bytes& key, const Bytes& iv, Bytes data) {
    return Encrypt(index, key, key.size() * 8, iv, std::move(data));
}

Bytes Sample(std::size_t size) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return data;
}

TEST(CipherFactory, DescribesEachCipher) {
    struct Row {
        std::size_t maxKeyBits;
        bool block;
        std::size_t blockBits;
    };
    const Row rows[kCipherCount] = {
        {448, true, 64},  {128, true, 64},  {256, true, 128}, {64, true, 64},  {192, true, 64},
        {256, true, 128}, {2048, false, 0}, {256, true, 128}, {128, true, 64},
    };
    for (int index = 0; index < kCipherCount; ++index) {
        const auto cipher = CreateCipherByIndex(index);
        ASSERT_NE(cipher, nullptr) << index;
        EXPECT_EQ(cipher->MaxKeyBits(), rows[index].maxKeyBits) << index;
        EXPECT_EQ(cipher->IsBlockCipher(), rows[index].block) << index;
        EXPECT_EQ(cipher->BlockBits(), rows[index].blockBits) << index;
    }
    for (const int index : {-1, 9, 255}) {
        EXPECT_EQ(CreateCipherByIndex(index), nullptr) << index;
    }
}

struct BlockVector {
    int index;
    EngineFactory engine;
    const char* key;
    const char* plain;
    const char* cipher;
    const char* source;
};

const BlockVector kBlockVectors[] = {
    {0, MakeEngine<CryptoPP::Blowfish::Encryption>, "0000000000000000", "0000000000000000", "4ef997456198dd78",
     "Schneier's Blowfish vectors"},
    {0, MakeEngine<CryptoPP::Blowfish::Encryption>, "0123456789abcdef", "1111111111111111", "61f9c3802281b096",
     "Schneier's Blowfish vectors"},
    {0, MakeEngine<CryptoPP::Blowfish::Encryption>, "f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344556677",
     "fedcba9876543210", "05044b62fa52d080", "Schneier's Blowfish set_key vectors, 24-byte key"},
    {1, MakeEngine<CryptoPP::CAST128::Encryption>, "0123456712345678234567893456789a", "0123456789abcdef",
     "238b4fe5847e44b2", "RFC 2144 B.1"},
    {2, MakeEngine<CryptoPP::CAST256::Encryption>, "2342bb9efa38542c0af75647f29f615d",
     "00000000000000000000000000000000", "c842a08972b43d20836c91d1b7530f6b", "RFC 2612 A, 128-bit key"},
    {2, MakeEngine<CryptoPP::CAST256::Encryption>, "2342bb9efa38542cbed0ac83940ac298bac77a7717942863",
     "00000000000000000000000000000000", "1b386c0210dcadcbdd0e41aa08a7a7e8", "RFC 2612 A, 192-bit key"},
    {2, MakeEngine<CryptoPP::CAST256::Encryption>, "2342bb9efa38542cbed0ac83940ac2988d7c47ce264908461cc1b5137ae6b604",
     "00000000000000000000000000000000", "4f6a2038286897b9c9870136553317fa", "RFC 2612 A, 256-bit key"},
    {3, MakeEngine<CryptoPP::DES::Encryption>, "133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405",
     "DES worked example (FIPS 46)"},
    {3, MakeEngine<CryptoPP::DES::Encryption>, "0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815",
     "FIPS 81 example"},
    {4, MakeEngine<CryptoPP::DES_EDE3::Encryption>, "0123456789abcdef23456789abcdef01456789abcdef0123",
     "5468652071756663", "a826fd8ce53b855f", "NIST SP 800-67 example"},
    {5, MakeEngine<CryptoPP::Rijndael::Encryption>, "000102030405060708090a0b0c0d0e0f",
     "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a", "FIPS 197 C.1"},
    {5, MakeEngine<CryptoPP::Rijndael::Encryption>, "000102030405060708090a0b0c0d0e0f1011121314151617",
     "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191", "FIPS 197 C.2"},
    {5, MakeEngine<CryptoPP::Rijndael::Encryption>, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089", "FIPS 197 C.3"},
    {7, MakeEngine<CryptoPP::Twofish::Encryption>, "00000000000000000000000000000000",
     "00000000000000000000000000000000", "9f589f5cf6122c32b6bfec2f2ae8c35a", "Twofish paper, 128-bit key"},
    {7, MakeEngine<CryptoPP::Twofish::Encryption>, "0123456789abcdeffedcba98765432100011223344556677",
     "00000000000000000000000000000000", "cfd1d2e5a9be9cdf501f13b892bd2248", "Twofish paper, 192-bit key"},
    {7, MakeEngine<CryptoPP::Twofish::Encryption>, "0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff",
     "00000000000000000000000000000000", "37527be0052334b89f0cfccae87cfa20", "Twofish paper, 256-bit key"},
    {8, MakeEngine<CryptoPP::IDEA::Encryption>, "00010002000300040005000600070008", "0000000100020003",
     "11fbed2b01986de5", "Lai's IDEA example"},
};

// CFB-8 exposes one byte of each block encryption: with the published plaintext as the
// shift register, the first keystream byte is the first byte of the published
// ciphertext. The whole stream must then agree with the library's own CFB-8 over the
// named cipher, which itself must give the whole published block.
TEST(CipherFactory, BlockCiphersMatchPublishedVectorsInCfb8) {
    for (const auto& v : kBlockVectors) {
        SCOPED_TRACE(v.source);
        const Bytes key = FromHex(v.key), plain = FromHex(v.plain), expected = FromHex(v.cipher);

        const auto engine = v.engine();
        engine->SetKey(key.data(), key.size());
        Bytes block(plain.size());
        engine->ProcessBlock(plain.data(), block.data());
        EXPECT_EQ(ToHex(block), v.cipher);

        const Bytes stream = Encrypt(v.index, key, plain, Bytes(40));
        EXPECT_EQ(stream[0], expected[0]);
        EXPECT_EQ(ToHex(stream), ToHex(LibraryCfb8(v.engine, key, plain, Bytes(40))));
    }
}

// NIST SP 800-38A F.3.7, F.3.9, F.3.11: CFB8-AES encryption and decryption.
TEST(CipherFactory, AesMatchesSp800_38aCfb8Vectors) {
    const Bytes iv = FromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes plain = FromHex("6bc1bee22e409f96e93d7e117393172aae2d");
    const struct {
        const char* key;
        const char* cipher;
    } vectors[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", "3b79424c9c0dd436bace9e0ed4586a4f32b9"},
        {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", "cda2521ef0a905ca44cd057cbf0d47a0678a"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", "dc1f1a8520a64db55fcc8ac554844e889700"},
    };
    for (const auto& v : vectors) {
        const Bytes key = FromHex(v.key);
        EXPECT_EQ(ToHex(Encrypt(5, key, iv, plain)), v.cipher);

        const auto cipher = CreateCipherByIndex(5);
        cipher->Init(key, key.size() * 8, iv);
        Bytes data = FromHex(v.cipher);
        cipher->DecryptInPlace(data);
        EXPECT_EQ(data, plain);
    }
}

// RFC 6229: keystream from offset 0 for 40-, 128- and 256-bit keys.
TEST(CipherFactory, Rc4MatchesRfc6229Keystreams) {
    const struct {
        const char* key;
        const char* keystream;
    } vectors[] = {
        {"0102030405", "b2396305f03dc027ccc3524a0a1118a8"},
        {"0102030405060708090a0b0c0d0e0f10", "9ac7cc9a609d1ef7b2932899cde41b97"},
        {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", "eaa6bd25880bf93d3f5d1e4ca2611d91"},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(ToHex(Encrypt(6, FromHex(v.key), {}, Bytes(16))), v.keystream) << v.key;
    }
}

// Key lengths a cipher does not take directly are completed as the cipher's definition
// prescribes; compared with the library keyed with the completed key.
TEST(CipherFactory, ShortKeysAreCompletedByTheCipherRules) {
    const Bytes key = FromHex(
        "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210"
        "8899aabbccddeeff00112233445566770f1e2d3c4b5a69788796a5b4c3d2e1f0");
    auto first = [&](std::size_t n) { return Bytes(key.begin(), key.begin() + static_cast<long>(n)); };
    auto zeroFilled = [&](std::size_t n, std::size_t size) {
        Bytes k(size, 0);
        std::copy_n(key.begin(), n, k.begin());
        return k;
    };
    Bytes twoKey = first(16);
    twoKey.insert(twoKey.end(), key.begin(), key.begin() + 8);

    const struct {
        const char* rule;
        int index;
        std::size_t keyBytes;
        EngineFactory engine;
        Bytes libraryKey;
    } cases[] = {
        {"AES: 20 bytes are AES-192 with 4 zero bytes", 5, 20, MakeEngine<CryptoPP::Rijndael::Encryption>,
         zeroFilled(20, 24)},
        {"Twofish: 20 bytes fill to 24", 7, 20, MakeEngine<CryptoPP::Twofish::Encryption>, zeroFilled(20, 24)},
        {"CAST-256: 20 bytes fill to 32", 2, 20, MakeEngine<CryptoPP::CAST256::Encryption>, zeroFilled(20, 32)},
        {"CAST-256: the library pads 20 bytes alike", 2, 20, MakeEngine<CryptoPP::CAST256::Encryption>, first(20)},
        {"triple DES: 16 bytes reuse the first DES key", 4, 16, MakeEngine<CryptoPP::DES_EDE3::Encryption>, twoKey},
        {"triple DES: 16 bytes are two-key triple DES", 4, 16, MakeEngine<CryptoPP::DES_EDE2::Encryption>, first(16)},
        {"triple DES: 20 bytes fill to 24", 4, 20, MakeEngine<CryptoPP::DES_EDE3::Encryption>, zeroFilled(20, 24)},
        {"Blowfish: 56 bytes taken as they are", 0, 56, MakeEngine<CryptoPP::Blowfish::Encryption>, first(56)},
        {"Blowfish: 20 bytes taken as they are", 0, 20, MakeEngine<CryptoPP::Blowfish::Encryption>, first(20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const std::size_t blockSize = CreateCipherByIndex(c.index)->BlockBits() / 8;
        const Bytes iv = first(blockSize);
        // The whole buffer is handed over: only keyBits / 8 bytes may count.
        EXPECT_EQ(ToHex(Encrypt(c.index, key, c.keyBytes * 8, iv, Bytes(24))),
                  ToHex(LibraryCfb8(c.engine, c.libraryKey, iv, Bytes(24))));
    }
    EXPECT_EQ(ToHex(Encrypt(6, key, 64 * 8, {}, Bytes(24))), ToHex(test::LibraryRc4(first(64), Bytes(24))));
}

// The feedback register carries over between calls, and decryption inverts encryption.
TEST(CipherFactory, ChunkedProcessingMatchesOneCallAndInverts) {
    const Bytes key = FromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes plain = Sample(50);
    for (int index = 0; index < kCipherCount; ++index) {
        const auto cipher = CreateCipherByIndex(index);
        const Bytes iv(cipher->BlockBits() / 8, 0x41);
        const std::size_t keyBits = std::min<std::size_t>(128, cipher->MaxKeyBits());
        const Bytes whole = Encrypt(index, key, keyBits, iv, plain);
        EXPECT_NE(whole, plain) << index;

        cipher->Init(key, keyBits, iv);
        Bytes chunked = plain;
        std::span<std::uint8_t> all(chunked);
        cipher->EncryptInPlace(all.first(7));
        cipher->EncryptInPlace(all.subspan(7));
        EXPECT_EQ(chunked, whole) << index;

        cipher->Init(key, keyBits, iv);
        cipher->DecryptInPlace(all.first(21));
        cipher->DecryptInPlace(all.subspan(21));
        EXPECT_EQ(chunked, plain) << index;
    }
}

TEST(CipherFactory, InitRejectsSizesThatDoNotFit) {
    const Bytes key(64, 0x5A);
    const Bytes iv8(8), iv16(16);
    EXPECT_THROW(CreateCipherByIndex(3)->Init(key, 128, iv8), std::invalid_argument);   // DES above 64 bits
    EXPECT_THROW(CreateCipherByIndex(5)->Init(key, 129, iv16), std::invalid_argument);  // not whole bytes
    EXPECT_THROW(CreateCipherByIndex(5)->Init(key, 0, iv16), std::invalid_argument);
    EXPECT_THROW(CreateCipherByIndex(5)->Init(Bytes(8), 128, iv16), std::invalid_argument);  // key too short
    EXPECT_THROW(CreateCipherByIndex(5)->Init(key, 128, iv8), std::invalid_argument);        // short IV
    EXPECT_THROW(CreateCipherByIndex(6)->Init(key, 128, iv8), std::invalid_argument);        // RC4 takes none
}

TEST(CipherFactory, UseBeforeInitOrAfterBurnFails) {
    for (int index = 0; index < kCipherCount; ++index) {
        const auto cipher = CreateCipherByIndex(index);
        Bytes data(4);
        EXPECT_THROW(cipher->EncryptInPlace(data), std::logic_error) << index;
        cipher->Init(Bytes(8, 1), 64, Bytes(cipher->BlockBits() / 8));
        cipher->EncryptInPlace(data);
        cipher->Burn();
        EXPECT_THROW(cipher->DecryptInPlace(data), std::logic_error) << index;
    }
}

}  // namespace
}  // namespace stp
