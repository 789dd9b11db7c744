// The hashes an envelope can select by index, behind one small interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace stp {

class Hash {
public:
    virtual ~Hash() = default;

    virtual std::size_t DigestBits() const = 0;
    // Begins a new message; a new object has begun one already.
    virtual void Start() = 0;
    virtual void Feed(std::span<const std::uint8_t> data) = 0;
    // digest holds DigestBits() / 8 bytes. Starts a new message afterwards.
    virtual void Finish(std::span<std::uint8_t> digest) = 0;
};

// 0 HAVAL (5 passes, 256 bits, padding from 0x80), 1 MD5, 2 SHA-1, 3 SHA-256, 4 SHA-512;
// null for any other index.
std::unique_ptr<Hash> CreateHashByIndex(int index);

constexpr int kHashCount = 5;

}  // namespace stp
