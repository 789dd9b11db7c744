#include "crypt/Envelope.h"

#include <functional>
#include <iterator>

#include <gtest/gtest.h>

#include "LibraryReference.h"  // first: it enables the library's weak algorithms
#include <cryptopp/md5.h>
#include <cryptopp/sha.h>

#include "crypt/Base64.h"
#include "crypt/Cipher.h"
#include "crypt/Hash.h"
#include "crypt/Haval.h"

namespace stp {
namespace {

using test::Bytes;
using test::LibraryCfb8;
using test::LibraryRc4;
using test::MakeEngine;

// Non-ASCII text: Latin-1, CJK and a character outside the BMP (a surrogate pair).
const std::u16string kText = u"File table: Gr\u00F6\u00DFe 12|\u4E2D\u6587|\U0001F600 end";
const std::u16string kPassword = u"p\u00E4ss w\u00F6rd \u5BC6";

SealOptions OptionsFor(int cipher, int hash) {
    const std::uint8_t seed[] = {static_cast<std::uint8_t>(cipher), static_cast<std::uint8_t>(hash), 'e', 'n', 'v'};
    return DeriveSealOptions(cipher, hash, seed);
}

std::size_t IvLength(int cipher) { return CreateCipherByIndex(cipher)->BlockBits() / 8; }

bool AllPrintableAscii(std::u16string_view text) {
    for (const char16_t ch : text) {
        if (ch < 0x20 || ch > 0x7E) {
            return false;
        }
    }
    return true;
}

Bytes Utf16Le(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t ch : text) {
        bytes.push_back(static_cast<std::uint8_t>(ch));
        bytes.push_back(static_cast<std::uint8_t>(ch >> 8));
    }
    return bytes;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(Envelope, EveryCipherAndHashRoundTrips) {
    for (int cipher = 0; cipher < kCipherCount; ++cipher) {
        for (int hash = 0; hash < kHashCount; ++hash) {
            for (const std::u16string& password : {std::u16string(), kPassword}) {
                SCOPED_TRACE("cipher " + std::to_string(cipher) + ", hash " + std::to_string(hash) +
                             (password.empty() ? ", empty password" : ", password"));
                const SealOptions options = OptionsFor(cipher, hash);
                const std::u16string envelope = SealText(kText, password, options);

                EXPECT_TRUE(AllPrintableAscii(envelope));
                EXPECT_EQ(envelope.substr(0, 8), options.salt);
                EXPECT_EQ(envelope[3] - envelope[8], cipher);
                EXPECT_EQ(envelope[4] - envelope[9], hash);
                EXPECT_EQ(envelope.substr(10, options.iv.size()), options.iv);
                EXPECT_EQ(envelope.size(), 10 + IvLength(cipher) + (kText.size() * 2 + 2) / 3 * 4);

                EXPECT_EQ(DecryptText(envelope, password), kText);
            }
        }
    }
}

// The key is the digest of salt and password (UTF-16LE), cut to the smaller of the
// cipher's largest key and the digest, and completed by the cipher's own rules. Each
// case computes the envelope's body directly with the library and the expected key.
TEST(Envelope, KeyDerivationMatchesDirectComputation) {
    using Digest = std::function<Bytes(const Bytes&)>;
    auto library = [](auto algorithm) {
        return Digest([algorithm](const Bytes& message) mutable {
            Bytes digest(algorithm.DigestSize());
            algorithm.CalculateDigest(digest.data(), message.data(), message.size());
            return digest;
        });
    };
    const Digest haval = [](const Bytes& message) {
        Haval256Pass5 h(Haval256Pass5::kHighBitPadding);
        h.Feed(message);
        Bytes digest(32);
        h.Finish(std::span<std::uint8_t, 32>(digest.data(), 32));
        return digest;
    };
    auto first = [](Bytes bytes, std::size_t n) {
        bytes.resize(n, 0);  // cuts a longer digest, zero-fills a shorter one
        return bytes;
    };
    using Body = std::function<Bytes(const Bytes& digest, const Bytes& iv, const Bytes& plain)>;
    auto cfb8 = [&](test::EngineFactory engine, std::size_t keyBytes) {
        return Body([=](const Bytes& digest, const Bytes& iv, const Bytes& plain) {
            return LibraryCfb8(engine, first(digest, keyBytes), iv, plain);
        });
    };
    const struct {
        const char* rule;
        int cipher;
        int hash;
        Digest digest;
        Body body;
    } cases[] = {
        {"SHA-1 + AES: AES-192, last 4 key bytes zero", 5, 2, library(CryptoPP::SHA1()),
         cfb8(MakeEngine<CryptoPP::Rijndael::Encryption>, 24)},
        {"MD5 + triple DES: two-key triple DES", 4, 1, library(CryptoPP::Weak::MD5()),
         cfb8(MakeEngine<CryptoPP::DES_EDE2::Encryption>, 16)},
        {"SHA-512 + RC4: the whole 64-byte digest", 6, 4, library(CryptoPP::SHA512()),
         [](const Bytes& digest, const Bytes&, const Bytes& plain) { return LibraryRc4(digest, plain); }},
        {"MD5 + RC4: a 16-byte key", 6, 1, library(CryptoPP::Weak::MD5()),
         [](const Bytes& digest, const Bytes&, const Bytes& plain) { return LibraryRc4(digest, plain); }},
        {"SHA-512 + Blowfish: 56 key bytes", 0, 4, library(CryptoPP::SHA512()),
         cfb8(MakeEngine<CryptoPP::Blowfish::Encryption>, 56)},
        {"SHA-1 + DES: 8 key bytes", 3, 2, library(CryptoPP::SHA1()), cfb8(MakeEngine<CryptoPP::DES::Encryption>, 8)},
        {"SHA-1 + triple DES: 20 bytes and 4 zero bytes", 4, 2, library(CryptoPP::SHA1()),
         cfb8(MakeEngine<CryptoPP::DES_EDE3::Encryption>, 24)},
        {"SHA-256 + Twofish: 32 key bytes", 7, 3, library(CryptoPP::SHA256()),
         cfb8(MakeEngine<CryptoPP::Twofish::Encryption>, 32)},
        {"SHA-1 + CAST-256: 20 bytes padded to 32", 2, 2, library(CryptoPP::SHA1()),
         cfb8(MakeEngine<CryptoPP::CAST256::Encryption>, 32)},
        {"SHA-512 + CAST-128: 16 key bytes", 1, 4, library(CryptoPP::SHA512()),
         cfb8(MakeEngine<CryptoPP::CAST128::Encryption>, 16)},
        {"SHA-256 + IDEA: 16 key bytes", 8, 3, library(CryptoPP::SHA256()),
         cfb8(MakeEngine<CryptoPP::IDEA::Encryption>, 16)},
        {"HAVAL + AES: the 0x80-padded HAVAL digest as AES-256 key", 5, 0, haval,
         cfb8(MakeEngine<CryptoPP::Rijndael::Encryption>, 32)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        for (const std::u16string& password : {std::u16string(), kPassword}) {
            const SealOptions options = OptionsFor(c.cipher, c.hash);
            const std::u16string envelope = SealText(kText, password, options);

            const Bytes digest = c.digest(Utf16Le(options.salt + password));
            const Bytes iv(options.iv.begin(), options.iv.end());
            const std::string body = EncodeBase64(c.body(digest, iv, Utf16Le(kText)));
            EXPECT_EQ(envelope.substr(10 + iv.size()), Widen(body));
        }
    }
}

// In CFB-8 and RC4 every plaintext byte depends only on what precedes it, so a cut
// envelope opens to the matching beginning of the text: a cut inside a Base64 group
// drops that group, an odd byte count drops the last byte, and a cut header opens to
// nothing.
TEST(Envelope, CutEnvelopesOpenToTheMatchingBeginning) {
    for (int cipher = 0; cipher < kCipherCount; ++cipher) {
        const std::u16string envelope = SealText(kText, kPassword, OptionsFor(cipher, 2));
        const std::size_t bodyStart = 10 + IvLength(cipher);
        for (std::size_t length = 0; length < envelope.size(); ++length) {
            std::size_t chars = 0;
            if (length > 10 && length >= bodyStart) {
                chars = (length - bodyStart) / 4 * 3 / 2;
            }
            EXPECT_EQ(DecryptText(envelope.substr(0, length), kPassword), kText.substr(0, chars))
                << "cipher " << cipher << ", length " << length;
        }
    }
}

TEST(Envelope, UnopenableHeadersGiveTheEmptyText) {
    const std::u16string aes = SealText(u"hello", u"", OptionsFor(5, 3));
    const std::u16string rc4 = SealText(u"hello", u"", OptionsFor(6, 3));
    auto withChar = [](std::u16string text, std::size_t at, int code) {
        text[at] = static_cast<char16_t>(code);
        return text;
    };
    ASSERT_EQ(DecryptText(aes, u""), u"hello");
    ASSERT_EQ(DecryptText(rc4, u""), u"hello");
    const std::pair<const char*, std::u16string> cases[] = {
        {"empty", u""},
        {"10 characters", aes.substr(0, 10)},
        {"hash index 5", withChar(aes, 9, aes[4] - 5)},
        {"hash index -1", withChar(aes, 9, aes[4] + 1)},
        {"cipher index 9", withChar(aes, 8, aes[3] - 9)},
        {"cipher index -1", withChar(aes, 8, aes[3] + 1)},
        {"11 characters with a block cipher", aes.substr(0, 11)},
        {"initialisation vector one short", aes.substr(0, 25)},
        {"11 characters with RC4", rc4.substr(0, 11)},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_EQ(DecryptText(text, u""), u"") << name;
    }
}

// Arbitrary input, most of it near-valid envelopes with characters replaced by any code
// unit (surrogates, non-ASCII, "=" and NUL among them): opening must stay in bounds and
// never give more characters than the Base64 text can carry. Run under sanitizers too.
TEST(Envelope, ArbitraryInputOpensWithinBounds) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245 + 12345;
        return state >> 8;
    };
    const char16_t interesting[] = {0, u'=', u'A', u'/', 0x7F, 0x80, 0xE9, 0x20AC, 0xD800, 0xDC00, 0xFFFF};
    for (int round = 0; round < 2000; ++round) {
        std::u16string text =
            SealText(u"abcdefgh", u"",
                     OptionsFor(static_cast<int>(next() % kCipherCount), static_cast<int>(next() % kHashCount)));
        text.resize(next() % (text.size() + 8), u'Q');
        for (int edits = static_cast<int>(next() % 4); edits > 0 && !text.empty(); --edits) {
            const char16_t unit =
                next() % 2 ? interesting[next() % std::size(interesting)] : static_cast<char16_t>(next());
            text[next() % text.size()] = unit;
        }
        const std::u16string opened = DecryptText(text, u"");
        EXPECT_LE(opened.size(), text.size() * 3 / 8) << round;
    }
}

TEST(Envelope, TrailingBase64RemaindersAreIgnored) {
    const std::u16string envelope = SealText(kText, u"", OptionsFor(0, 1));
    for (const std::u16string tail : {u"Q", u"QU", u"QUI"}) {
        EXPECT_EQ(DecryptText(envelope + tail, u""), kText) << envelope.size();
    }
}

TEST(Envelope, OddByteCountDropsTheLastByte) {
    const SealOptions options = OptionsFor(7, 4);
    const std::u16string envelope = SealText(u"abc", u"", options);
    const std::size_t bodyStart = 10 + options.iv.size();
    const Bytes bytes = DecodeBase64(std::string(envelope.begin() + static_cast<long>(bodyStart), envelope.end()));
    ASSERT_EQ(bytes.size(), 6u);
    auto withBody = [&](Bytes body) { return envelope.substr(0, bodyStart) + Widen(EncodeBase64(body)); };
    EXPECT_EQ(DecryptText(withBody(Bytes(bytes.begin(), bytes.end() - 1)), u""), u"ab");
    Bytes longer = bytes;
    longer.push_back(0x42);
    EXPECT_EQ(DecryptText(withBody(longer), u""), u"abc");
}

TEST(Envelope, WrongPasswordOpensToTextOfTheSameLength) {
    for (int cipher = 0; cipher < kCipherCount; ++cipher) {
        const std::u16string envelope = SealText(kText, kPassword, OptionsFor(cipher, 0));
        const std::u16string opened = DecryptText(envelope, u"wrong");
        EXPECT_EQ(opened.size(), kText.size()) << cipher;
        EXPECT_NE(opened, kText) << cipher;
        EXPECT_NE(DecryptText(envelope, u""), kText) << cipher;
    }
}

// One whole envelope with HAVAL (hash 0) and AES, made outside this code: the key from a
// separate HAVAL implementation, the body by another program's AES-256 in CFB-8 mode.
TEST(Envelope, HavalEnvelopeMatchesAKnownAnswer) {
    const std::u16string text = u"Karvel.exe,,120,340|data\\,palette.txt,5,6";
    const std::u16string envelope =
        u"Kq7zW2!muW0123456789ABCDEFnX9oJyxQ7grDsFMkNeo/Xn51xZuXgqowa77HK8GViKOfIPQNZKrGumJ0qJNJolq1poj5QBFeUKfFk4e4G"
        u"n5vy3OPmqK2OIGR23QntSEBJtF7Mw==";
    EXPECT_EQ(SealText(text, u"geheim", SealOptions{5, 0, u"Kq7zW2!m", u"0123456789ABCDEF"}), envelope);
    EXPECT_EQ(DecryptText(envelope, u"geheim"), text);
}

TEST(Envelope, EmptyTextSealsToTheHeaderAlone) {
    const SealOptions options = OptionsFor(1, 1);
    const std::u16string envelope = SealText(u"", u"", options);
    EXPECT_EQ(envelope.size(), 10 + options.iv.size());
    EXPECT_EQ(DecryptText(envelope, u""), u"");
}

TEST(Envelope, SealingRejectsHeadersThatDoNotFit) {
    auto with = [](int cipher, int hash, std::u16string salt, std::u16string iv) {
        return SealOptions{cipher, hash, std::move(salt), std::move(iv)};
    };
    const std::pair<const char*, SealOptions> cases[] = {
        {"cipher index 9", with(9, 0, u"ABCDEFGH", u"")},
        {"cipher index -1", with(-1, 0, u"ABCDEFGH", u"12345678")},
        {"hash index 5", with(0, 5, u"ABCDEFGH", u"12345678")},
        {"salt of 7", with(0, 0, u"ABCDEFG", u"12345678")},
        {"salt with a blank", with(0, 0, u"ABC EFGH", u"12345678")},
        {"salt not ASCII", with(0, 0, u"ABCD\u00C9FGH", u"12345678")},
        {"cipher base below '!'", with(8, 0, u"ABC#EFGH", u"12345678")},
        {"hash base below '!'", with(0, 4, u"ABCD\"FGH", u"12345678")},
        {"IV too short", with(0, 0, u"ABCDEFGH", u"1234567")},
        {"IV too long", with(5, 0, u"ABCDEFGH", u"12345678901234567")},
        {"IV for RC4", with(6, 0, u"ABCDEFGH", u"1")},
        {"IV not ASCII", with(0, 0, u"ABCDEFGH", u"1234567\u00E9")},
    };
    for (const auto& [name, options] : cases) {
        EXPECT_THROW(SealText(u"x", u"", options), std::invalid_argument) << name;
    }
}

}  // namespace
}  // namespace stp
