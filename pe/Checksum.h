// The optional header's CheckSum: the loader verifies it for drivers and some system
// images, and signing tools expect it right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace stp::pe {

// The 16-bit word sum of the file with carries folded back in, the 4-byte checksum field
// at checksumOffset counted as zero, plus the file's length. An odd last byte counts as a
// word with a zero high byte.
std::uint32_t PeChecksum(std::string_view image, std::size_t checksumOffset);

// The same sum over a file that is never whole in memory: its pieces added in order.
class TWordSum {
public:
    void Add(std::string_view bytes);
    // Pieces summed elsewhere that follow the ones added so far.
    void AddSum(const TWordSum& following);
    std::uint64_t Sum() const noexcept { return sum_; }
    std::uint64_t Size() const noexcept { return size_; }
    // The checksum of a file whose pieces were all added, the 4-byte field at
    // checksumOffset holding zero.
    std::uint32_t Checksum() const;

private:
    std::uint64_t sum_ = 0;
    std::uint64_t size_ = 0;
};

}  // namespace stp::pe
