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

}  // namespace stp::pe
