#include "crypt/Cipher.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/idea.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/secblock.h>
#include <cryptopp/twofish.h>

namespace stp {

namespace {

using CryptoPP::SecByteBlock;

// Key rules: turn the key bytes handed to Init into the key the library cipher takes.
using KeyRule = SecByteBlock (*)(std::span<const std::uint8_t>);

SecByteBlock KeyAsIs(std::span<const std::uint8_t> key) { return SecByteBlock(key.data(), key.size()); }

// A shorter key is completed with zero bytes to the next size the cipher takes.
SecByteBlock ZeroFill(std::span<const std::uint8_t> key, std::initializer_list<std::size_t> sizes) {
    for (const std::size_t size : sizes) {
        if (key.size() <= size) {
            SecByteBlock filled;
            filled.CleanNew(size);  // zero bytes
            std::copy(key.begin(), key.end(), filled.begin());
            return filled;
        }
    }
    throw std::invalid_argument("key too long for the cipher");
}

SecByteBlock KeyForDes(std::span<const std::uint8_t> key) { return ZeroFill(key, {8}); }
SecByteBlock KeyForIdea(std::span<const std::uint8_t> key) { return ZeroFill(key, {16}); }
SecByteBlock KeyForAesOrTwofish(std::span<const std::uint8_t> key) { return ZeroFill(key, {16, 24, 32}); }
// CAST-256 pads every key shorter than 256 bits with zeros (RFC 2612).
SecByteBlock KeyForCast256(std::span<const std::uint8_t> key) { return ZeroFill(key, {32}); }

// Three DES keys: a 16-byte key is two-key triple DES (the first DES key again as the
// third); other lengths are zero-filled to 24 bytes.
SecByteBlock KeyForTripleDes(std::span<const std::uint8_t> key) {
    if (key.size() != 16) {
        return ZeroFill(key, {24});
    }
    SecByteBlock expanded(24);
    std::copy(key.begin(), key.end(), expanded.begin());
    std::copy(key.begin(), key.begin() + 8, expanded.begin() + 16);
    return expanded;
}

std::span<const std::uint8_t> UsedKeyBytes(std::span<const std::uint8_t> key, std::size_t keyBits,
                                           std::size_t maxKeyBits) {
    if (keyBits % 8 != 0 || keyBits == 0 || keyBits > maxKeyBits || keyBits / 8 > key.size()) {
        throw std::invalid_argument("key size does not fit the cipher");
    }
    return key.first(keyBits / 8);
}

// CFB-8 over a block cipher's forward direction: each byte is combined with the first
// byte of the encrypted shift register, and the ciphertext byte is shifted in.
class Cfb8Cipher final : public Cipher {
public:
    using EngineFactory = std::unique_ptr<CryptoPP::BlockCipher> (*)();

    Cfb8Cipher(EngineFactory makeEngine, KeyRule keyRule, std::size_t maxKeyBits)
        : makeEngine_(makeEngine), keyRule_(keyRule), maxKeyBits_(maxKeyBits), blockSize_(makeEngine()->BlockSize()) {}

    std::size_t MaxKeyBits() const override { return maxKeyBits_; }
    bool IsBlockCipher() const override { return true; }
    std::size_t BlockBits() const override { return blockSize_ * 8; }

    void Init(std::span<const std::uint8_t> key, std::size_t keyBits, std::span<const std::uint8_t> iv) override {
        if (iv.size() != blockSize_) {
            throw std::invalid_argument("initialisation vector of the wrong size");
        }
        const SecByteBlock fullKey = keyRule_(UsedKeyBytes(key, keyBits, maxKeyBits_));
        Burn();
        auto engine = makeEngine_();
        engine->SetKey(fullKey.data(), fullKey.size());
        engine_ = std::move(engine);
        register_.Assign(iv.data(), iv.size());
    }

    void EncryptInPlace(std::span<std::uint8_t> data) override { Process(data, true); }
    void DecryptInPlace(std::span<std::uint8_t> data) override { Process(data, false); }

    // The library's cipher objects keep their key schedules in wiping buffers.
    void Burn() override {
        engine_.reset();
        register_.CleanNew(0);
    }

private:
    void Process(std::span<std::uint8_t> data, bool encrypt) {
        if (!engine_) {
            throw std::logic_error("cipher used before Init");
        }
        SecByteBlock output(blockSize_);
        for (std::uint8_t& byte : data) {
            engine_->ProcessBlock(register_.data(), output.data());
            const std::uint8_t cipherByte = encrypt ? byte ^ output[0] : byte;
            byte ^= output[0];
            std::memmove(register_.data(), register_.data() + 1, blockSize_ - 1);
            register_[blockSize_ - 1] = cipherByte;
        }
    }

    EngineFactory makeEngine_;
    KeyRule keyRule_;
    std::size_t maxKeyBits_;
    std::size_t blockSize_;
    std::unique_ptr<CryptoPP::BlockCipher> engine_;
    SecByteBlock register_;
};

// RC4 keystream from its first byte, nothing discarded.
class Rc4Cipher final : public Cipher {
public:
    std::size_t MaxKeyBits() const override { return 2048; }
    bool IsBlockCipher() const override { return false; }
    std::size_t BlockBits() const override { return 0; }

    void Init(std::span<const std::uint8_t> key, std::size_t keyBits, std::span<const std::uint8_t> iv) override {
        if (!iv.empty()) {
            throw std::invalid_argument("RC4 takes no initialisation vector");
        }
        const auto used = UsedKeyBytes(key, keyBits, MaxKeyBits());
        Burn();
        auto engine = std::make_unique<CryptoPP::Weak::ARC4>();
        engine->SetKey(used.data(), used.size());
        engine_ = std::move(engine);
    }

    void EncryptInPlace(std::span<std::uint8_t> data) override { Process(data); }
    void DecryptInPlace(std::span<std::uint8_t> data) override { Process(data); }
    void Burn() override { engine_.reset(); }

private:
    void Process(std::span<std::uint8_t> data) {
        if (!engine_) {
            throw std::logic_error("cipher used before Init");
        }
        engine_->ProcessString(data.data(), data.size());
    }

    std::unique_ptr<CryptoPP::Weak::ARC4> engine_;
};

template <class Engine>
std::unique_ptr<CryptoPP::BlockCipher> Make() {
    return std::make_unique<Engine>();
}

std::unique_ptr<Cipher> MakeCfb8(Cfb8Cipher::EngineFactory make, KeyRule rule, std::size_t maxKeyBits) {
    return std::make_unique<Cfb8Cipher>(make, rule, maxKeyBits);
}

}  // namespace

std::unique_ptr<Cipher> CreateCipherByIndex(int index) {
    switch (index) {
    case 0: return MakeCfb8(Make<CryptoPP::Blowfish::Encryption>, KeyAsIs, 448);
    case 1: return MakeCfb8(Make<CryptoPP::CAST128::Encryption>, KeyAsIs, 128);
    case 2: return MakeCfb8(Make<CryptoPP::CAST256::Encryption>, KeyForCast256, 256);
    case 3: return MakeCfb8(Make<CryptoPP::DES::Encryption>, KeyForDes, 64);
    case 4: return MakeCfb8(Make<CryptoPP::DES_EDE3::Encryption>, KeyForTripleDes, 192);
    case 5: return MakeCfb8(Make<CryptoPP::Rijndael::Encryption>, KeyForAesOrTwofish, 256);
    case 6: return std::make_unique<Rc4Cipher>();
    case 7: return MakeCfb8(Make<CryptoPP::Twofish::Encryption>, KeyForAesOrTwofish, 256);
    case 8: return MakeCfb8(Make<CryptoPP::IDEA::Encryption>, KeyForIdea, 128);
    default: return nullptr;
    }
}

}  // namespace stp
