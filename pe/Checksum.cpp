#include "pe/Checksum.h"

#include <cstring>

namespace stp::pe {

std::uint32_t PeChecksum(std::string_view image, std::size_t checksumOffset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
    const std::size_t size = image.size();
    // Little-endian 16-bit words added up whole, the carries folded back at the end: the
    // same sum as folding after every word, at the speed of memory.
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t block;
        std::memcpy(&block, bytes + i, 8);
        sum += (block & 0xFFFF) + ((block >> 16) & 0xFFFF) + ((block >> 32) & 0xFFFF) + (block >> 48);
    }
    for (; i < size; i += 2) sum += bytes[i] | (i + 1 < size ? bytes[i + 1] << 8 : 0);
    // The checksum field itself counts as zero.
    for (std::size_t f = checksumOffset; f < checksumOffset + 4 && f < size; ++f) {
        const std::uint64_t byte = bytes[f];
        sum -= (f % 2 == 0) ? byte : byte << 8;
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + size);
}

}  // namespace stp::pe
