#include "crypt/Envelope.h"

#include <cryptopp/secblock.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "crypt/AnsiCodePage.h"
#include "crypt/Base64.h"
#include "crypt/Cipher.h"
#include "crypt/Hash.h"

namespace stp {

namespace {

using CryptoPP::SecByteBlock;

constexpr std::size_t kSaltLength = 8;
constexpr std::size_t kCipherSelector = 3;
constexpr std::size_t kHashSelector = 4;
constexpr std::size_t kCipherBase = 8;
constexpr std::size_t kHashBase = 9;
constexpr std::size_t kHeaderLength = 10;

SecByteBlock Utf16LeBytes(std::u16string_view text) {
    SecByteBlock bytes(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return bytes;
}

std::u16string FromUtf16LeBytes(std::span<const std::uint8_t> bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

// Selector minus base, taken as the difference of two non-negative character codes.
int IndexFrom(std::u16string_view text, std::size_t selector, std::size_t base) {
    return static_cast<int>(text[selector]) - static_cast<int>(text[base]);
}

SecByteBlock DeriveKey(Hash& hash, std::u16string_view salt, std::u16string_view password) {
    hash.Start();
    hash.Feed(Utf16LeBytes(salt));
    hash.Feed(Utf16LeBytes(password));
    SecByteBlock digest(hash.DigestBits() / 8);
    hash.Finish(digest);
    return digest;
}

std::size_t KeyBits(const Cipher& cipher, const Hash& hash) { return std::min(cipher.MaxKeyBits(), hash.DigestBits()); }

// Wipes the cipher's key material on every way out.
struct BurnOnExit {
    Cipher& cipher;
    ~BurnOnExit() { cipher.Burn(); }
};

std::u16string Open(std::u16string_view text, std::u16string_view password) {
    if (text.size() < kHeaderLength + 1) {
        return {};
    }
    const int hashIndex = IndexFrom(text, kHashSelector, kHashBase);
    const int cipherIndex = IndexFrom(text, kCipherSelector, kCipherBase);
    const auto hash = CreateHashByIndex(hashIndex);
    const auto cipher = CreateCipherByIndex(cipherIndex);
    if (!hash || !cipher) {
        return {};
    }
    const SecByteBlock key = DeriveKey(*hash, text.substr(0, kSaltLength), password);
    const std::size_t ivLength = cipher->BlockBits() / 8;
    // substr clips at the end of the text, so a short text gives a short vector.
    const std::string iv = Utf16ToAnsi(text.substr(kHeaderLength, ivLength));
    if (iv.size() != ivLength) {
        return {};
    }
    BurnOnExit burn{*cipher};
    cipher->Init(key, KeyBits(*cipher, *hash), {reinterpret_cast<const std::uint8_t*>(iv.data()), iv.size()});

    const std::u16string_view base64 = text.substr(kHeaderLength + ivLength);
    std::vector<std::uint8_t> bytes = DecodeBase64(Utf16ToAnsi(base64));
    bytes.resize(bytes.size() / 2 * 2);  // an odd last byte belongs to no character
    cipher->DecryptInPlace(bytes);
    std::u16string result = FromUtf16LeBytes(bytes);
    CryptoPP::SecureWipeBuffer(bytes.data(), bytes.size());
    return result;
}

bool IsHeaderChar(char16_t ch) { return ch >= kFirstHeaderChar && ch <= kLastHeaderChar; }

bool AllHeaderChars(std::u16string_view text) {
    for (const char16_t ch : text) {
        if (!IsHeaderChar(ch)) {
            return false;
        }
    }
    return true;
}

// The ten header characters: the salt, then the bases that turn the salt's selector
// characters into the chosen indices.
std::u16string HeaderOf(const SealOptions& options) {
    if (options.salt.size() != kSaltLength || !AllHeaderChars(options.salt)) {
        throw std::invalid_argument("the salt must be 8 printable ASCII characters other than the blank");
    }
    std::u16string header = options.salt;
    header.push_back(static_cast<char16_t>(options.salt[kCipherSelector] - options.cipherIndex));
    header.push_back(static_cast<char16_t>(options.salt[kHashSelector] - options.hashIndex));
    if (!IsHeaderChar(header[kCipherBase]) || !IsHeaderChar(header[kHashBase])) {
        throw std::invalid_argument("salt characters 4 and 5 must lie at least the cipher and hash index above '!'");
    }
    return header;
}

}  // namespace

std::u16string DecryptText(std::u16string_view text, std::u16string_view password) noexcept {
    try {
        return Open(text, password);
    } catch (...) {
        return {};
    }
}

std::u16string SealText(std::u16string_view text, std::u16string_view password, const SealOptions& options) {
    const auto hash = CreateHashByIndex(options.hashIndex);
    const auto cipher = CreateCipherByIndex(options.cipherIndex);
    if (!hash || !cipher) {
        throw std::invalid_argument("cipher index must lie in 0 to 8 and hash index in 0 to 4");
    }
    const std::u16string header = HeaderOf(options);
    const std::size_t ivLength = cipher->BlockBits() / 8;
    if (options.iv.size() != ivLength || !AllHeaderChars(options.iv)) {
        throw std::invalid_argument("the initialisation vector must be " + std::to_string(ivLength) +
                                    " printable ASCII characters other than the blank for this cipher");
    }
    const std::string iv = Utf16ToAnsi(options.iv);
    const SecByteBlock key = DeriveKey(*hash, options.salt, password);
    BurnOnExit burn{*cipher};
    cipher->Init(key, KeyBits(*cipher, *hash), {reinterpret_cast<const std::uint8_t*>(iv.data()), iv.size()});

    SecByteBlock bytes = Utf16LeBytes(text);
    cipher->EncryptInPlace(bytes);
    const std::string base64 = EncodeBase64(bytes);
    return header + options.iv + AnsiToUtf16(base64);
}

}  // namespace stp
