#include "crypt/SealOptions.h"

#include <stdexcept>

#include <cryptopp/osrng.h>
#include <cryptopp/secblock.h>
#include <cryptopp/sha.h>

#include "crypt/Cipher.h"
#include "crypt/Hash.h"

namespace stp {

namespace {

constexpr unsigned kHeaderCharCount = kLastHeaderChar - kFirstHeaderChar + 1;

// Bytes for the header characters: SHA-256 of the seed and a running counter.
class ByteStream {
public:
    explicit ByteStream(std::span<const std::uint8_t> seed) : seed_(seed) {}

    std::uint8_t Next() {
        if (used_ == block_.size()) {
            Refill();
        }
        return block_[used_++];
    }

private:
    void Refill() {
        CryptoPP::SHA256 sha;
        sha.Update(seed_.data(), seed_.size());
        const std::uint8_t count[4] = {static_cast<std::uint8_t>(counter_), static_cast<std::uint8_t>(counter_ >> 8),
                                       static_cast<std::uint8_t>(counter_ >> 16),
                                       static_cast<std::uint8_t>(counter_ >> 24)};
        sha.Update(count, sizeof count);
        sha.Final(block_.data());
        ++counter_;
        used_ = 0;
    }

    std::span<const std::uint8_t> seed_;
    CryptoPP::FixedSizeSecBlock<std::uint8_t, 32> block_;
    std::size_t used_ = block_.size();
    std::uint32_t counter_ = 0;
};

// A header character at least `lowest` places above the first one, so that subtracting
// a selector index of up to `lowest` still gives a header character.
char16_t HeaderChar(ByteStream& bytes, unsigned lowest = 0) {
    return static_cast<char16_t>(kFirstHeaderChar + lowest + bytes.Next() % (kHeaderCharCount - lowest));
}

std::size_t IvLength(int cipherIndex) {
    const auto cipher = CreateCipherByIndex(cipherIndex);
    if (!cipher) {
        throw std::invalid_argument("cipher index outside 0 to 8");
    }
    return cipher->BlockBits() / 8;
}

}  // namespace

SealOptions DeriveSealOptions(int cipherIndex, int hashIndex, std::span<const std::uint8_t> seed) {
    if (!CreateHashByIndex(hashIndex)) {
        throw std::invalid_argument("hash index outside 0 to 4");
    }
    SealOptions options{cipherIndex, hashIndex, {}, {}};
    const std::size_t ivLength = IvLength(cipherIndex);
    ByteStream bytes(seed);
    for (int i = 0; i < 8; ++i) {
        const unsigned lowest = i == 3   ? static_cast<unsigned>(cipherIndex)
                                : i == 4 ? static_cast<unsigned>(hashIndex)
                                         : 0u;
        options.salt.push_back(HeaderChar(bytes, lowest));
    }
    for (std::size_t i = 0; i < ivLength; ++i) {
        options.iv.push_back(HeaderChar(bytes));
    }
    return options;
}

SealOptions RandomSealOptions(int cipherIndex, int hashIndex) {
    CryptoPP::AutoSeededRandomPool random;
    CryptoPP::SecByteBlock seed(32);
    random.GenerateBlock(seed.data(), seed.size());
    return DeriveSealOptions(cipherIndex, hashIndex, seed);
}

}  // namespace stp
