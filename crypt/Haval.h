// HAVAL (Zheng, Pieprzyk, Seberry 1992), the member of the family with 5 passes and a
// 256-bit digest. The first byte of the closing padding is a parameter: the published
// algorithm uses 0x01, while envelopes are sealed by an implementation that pads with
// 0x80, and opening them needs the same digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace stp {

class Haval256Pass5 {
public:
    static constexpr std::size_t kDigestSize = 32;
    static constexpr std::uint8_t kStandardPadding = 0x01;
    static constexpr std::uint8_t kHighBitPadding = 0x80;

    explicit Haval256Pass5(std::uint8_t firstPaddingByte = kStandardPadding);
    ~Haval256Pass5();
    Haval256Pass5(const Haval256Pass5&) = delete;
    Haval256Pass5& operator=(const Haval256Pass5&) = delete;

    void Start();
    void Feed(std::span<const std::uint8_t> data);
    // Writes the digest and starts over, so the object can hash the next message.
    void Finish(std::span<std::uint8_t, kDigestSize> digest);

private:
    void Compress();
    void Wipe();

    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 128> block_{};
    std::size_t blockFill_ = 0;
    std::uint64_t messageBytes_ = 0;
    std::uint8_t firstPaddingByte_;
};

}  // namespace stp
