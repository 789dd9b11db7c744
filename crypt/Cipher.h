// The ciphers an envelope can select by index, behind one small interface. Block
// ciphers run in cipher feedback with 8-bit segments (CFB-8); RC4 is a keystream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace stp {

class Cipher {
public:
    virtual ~Cipher() = default;

    virtual std::size_t MaxKeyBits() const = 0;
    virtual bool IsBlockCipher() const = 0;
    // 0 for the stream cipher.
    virtual std::size_t BlockBits() const = 0;

    // Uses the first keyBits / 8 bytes of key (keyBits a multiple of 8, at most
    // MaxKeyBits()), completed as the cipher's key rules require. iv holds
    // BlockBits() / 8 bytes: the initial shift register; empty for the stream cipher.
    // Throws std::invalid_argument when the sizes do not fit.
    virtual void Init(std::span<const std::uint8_t> key, std::size_t keyBits, std::span<const std::uint8_t> iv) = 0;
    // Throw std::logic_error before Init.
    virtual void EncryptInPlace(std::span<std::uint8_t> data) = 0;
    virtual void DecryptInPlace(std::span<std::uint8_t> data) = 0;
    // Wipes the key schedule and the feedback state; Init is needed again afterwards.
    virtual void Burn() = 0;
};

// 0 Blowfish, 1 CAST-128, 2 CAST-256, 3 DES, 4 triple DES, 5 Rijndael (AES), 6 RC4,
// 7 Twofish, 8 IDEA; null for any other index. The object is not initialised.
std::unique_ptr<Cipher> CreateCipherByIndex(int index);

constexpr int kCipherCount = 9;

}  // namespace stp
