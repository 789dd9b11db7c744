// Little-endian fields in byte strings: bounds-checked reads for untrusted images, and
// writes into buffers the caller has sized.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stp::pe {

// True when size bytes from offset lie inside bytes; no overflow for any arguments.
bool Fits(std::string_view bytes, std::uint64_t offset, std::uint64_t size);

// Reads that raise EPeError naming what was read when the field runs past the end.
std::uint8_t Get8(std::string_view bytes, std::uint64_t offset, std::string_view what);
std::uint16_t Get16(std::string_view bytes, std::uint64_t offset, std::string_view what);
std::uint32_t Get32(std::string_view bytes, std::uint64_t offset, std::string_view what);

// Writes over bytes already there (the buffer must hold the field).
void Put16(std::string& bytes, std::size_t offset, std::uint16_t value);
void Put32(std::string& bytes, std::size_t offset, std::uint32_t value);

void Append16(std::string& bytes, std::uint16_t value);
void Append32(std::string& bytes, std::uint32_t value);

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment);  // alignment: a power of two
std::string Hex(std::uint64_t value);                                 // "0x1A0", for messages

}  // namespace stp::pe
