#include "pe/Checksum.h"

#include <cstring>

namespace stp::pe {

namespace {

// Little-endian 16-bit words added up whole, the carries folded back at the end: the
// same sum as folding after every word, at the speed of memory. Bytes at odd offsets
// of the file are high bytes.
std::uint64_t WordSum(const unsigned char* bytes, std::size_t size, bool oddStart) {
    std::uint64_t sum = 0;
    std::size_t i = 0;
    if (oddStart && size > 0) {
        sum += std::uint64_t{bytes[0]} << 8;
        i = 1;
    }
    for (; i + 8 <= size; i += 8) {
        std::uint64_t block;
        std::memcpy(&block, bytes + i, 8);
        sum += (block & 0xFFFF) + ((block >> 16) & 0xFFFF) + ((block >> 32) & 0xFFFF) + (block >> 48);
    }
    for (; i < size; i += 2) sum += bytes[i] | (i + 1 < size ? bytes[i + 1] << 8 : 0);
    return sum;
}

std::uint32_t Fold(std::uint64_t sum, std::uint64_t size) {
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + size);
}

}  // namespace

std::uint32_t PeChecksum(std::string_view image, std::size_t checksumOffset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
    std::uint64_t sum = WordSum(bytes, image.size(), false);
    // The checksum field itself counts as zero.
    for (std::size_t f = checksumOffset; f < checksumOffset + 4 && f < image.size(); ++f)
        sum -= (f % 2 == 0) ? std::uint64_t{bytes[f]} : std::uint64_t{bytes[f]} << 8;
    return Fold(sum, image.size());
}

void TWordSum::Add(std::string_view bytes) {
    sum_ += WordSum(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), size_ % 2 != 0);
    size_ += bytes.size();
}

void TWordSum::AddSum(const TWordSum& following) {
    // An odd number of bytes before shifts the following bytes into the other halves.
    if (size_ % 2 == 0) {
        sum_ += following.sum_;
    } else {
        std::uint64_t folded = following.sum_;
        while (folded >> 16) folded = (folded & 0xFFFF) + (folded >> 16);
        sum_ += ((folded & 0xFF) << 8) | (folded >> 8);  // byte-swapped, as end-around sums allow
    }
    size_ += following.size_;
}

std::uint32_t TWordSum::Checksum() const { return Fold(sum_, size_); }

}  // namespace stp::pe
