#include "pe/Checksum.h"

namespace stp::pe {

std::uint32_t PeChecksum(std::string_view image, std::size_t checksumOffset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
    const std::size_t size = image.size();
    const auto byteAt = [&](std::size_t i) -> std::uint32_t {
        const bool inField = i >= checksumOffset && i - checksumOffset < 4;
        return i < size && !inField ? bytes[i] : 0;
    };
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < size; i += 2) {
        sum += byteAt(i) | byteAt(i + 1) << 8;
        // Folding the carry in after every word keeps the sum within 16 bits.
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint32_t>(sum + size);
}

}  // namespace stp::pe
