#include "crypt/Hash.h"

#include <stdexcept>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md5.h>
#include <cryptopp/sha.h>

#include "crypt/Haval.h"

namespace stp {

namespace {

void CheckDigestSize(std::span<std::uint8_t> digest, std::size_t bits) {
    if (digest.size() != bits / 8) {
        throw std::invalid_argument("digest buffer of the wrong size");
    }
}

template <class Algorithm>
class LibraryHash final : public Hash {
public:
    std::size_t DigestBits() const override { return Algorithm::DIGESTSIZE * 8; }
    void Start() override { algorithm_.Restart(); }
    void Feed(std::span<const std::uint8_t> data) override { algorithm_.Update(data.data(), data.size()); }
    void Finish(std::span<std::uint8_t> digest) override {
        CheckDigestSize(digest, DigestBits());
        algorithm_.Final(digest.data());
    }

private:
    Algorithm algorithm_;
};

// The sealing side pads HAVAL messages starting with 0x80; see Haval.h.
class HavalHash final : public Hash {
public:
    std::size_t DigestBits() const override { return Haval256Pass5::kDigestSize * 8; }
    void Start() override { haval_.Start(); }
    void Feed(std::span<const std::uint8_t> data) override { haval_.Feed(data); }
    void Finish(std::span<std::uint8_t> digest) override {
        CheckDigestSize(digest, DigestBits());
        haval_.Finish(digest.first<Haval256Pass5::kDigestSize>());
    }

private:
    Haval256Pass5 haval_{Haval256Pass5::kHighBitPadding};
};

}  // namespace

std::unique_ptr<Hash> CreateHashByIndex(int index) {
    switch (index) {
    case 0: return std::make_unique<HavalHash>();
    case 1: return std::make_unique<LibraryHash<CryptoPP::Weak::MD5>>();
    case 2: return std::make_unique<LibraryHash<CryptoPP::SHA1>>();
    case 3: return std::make_unique<LibraryHash<CryptoPP::SHA256>>();
    case 4: return std::make_unique<LibraryHash<CryptoPP::SHA512>>();
    default: return nullptr;
    }
}

}  // namespace stp
