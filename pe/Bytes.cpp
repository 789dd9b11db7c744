#include "pe/Bytes.h"

#include <cstdio>

#include "datatable/Errors.h"

namespace stp::pe {

namespace {

std::uint64_t GetLE(std::string_view bytes, std::uint64_t offset, int size, std::string_view what) {
    if (!Fits(bytes, offset, size))
        throw EPeError(std::string(what) + " at offset " + Hex(offset) + " is past the end of the data (" +
                       std::to_string(bytes.size()) + " bytes)");
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// at() rather than []: a field outside the buffer is a fault here, never a silent write.
void PutLE(std::string& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.at(offset + i) = static_cast<char>(value >> (8 * i));
}

}  // namespace

bool Fits(std::string_view bytes, std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

std::uint8_t Get8(std::string_view bytes, std::uint64_t offset, std::string_view what) {
    return static_cast<std::uint8_t>(GetLE(bytes, offset, 1, what));
}

std::uint16_t Get16(std::string_view bytes, std::uint64_t offset, std::string_view what) {
    return static_cast<std::uint16_t>(GetLE(bytes, offset, 2, what));
}

std::uint32_t Get32(std::string_view bytes, std::uint64_t offset, std::string_view what) {
    return static_cast<std::uint32_t>(GetLE(bytes, offset, 4, what));
}

void Put16(std::string& bytes, std::size_t offset, std::uint16_t value) { PutLE(bytes, offset, value, 2); }

void Put32(std::string& bytes, std::size_t offset, std::uint32_t value) { PutLE(bytes, offset, value, 4); }

void Append16(std::string& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<char>(value));
    bytes.push_back(static_cast<char>(value >> 8));
}

void Append32(std::string& bytes, std::uint32_t value) {
    Append16(bytes, static_cast<std::uint16_t>(value));
    Append16(bytes, static_cast<std::uint16_t>(value >> 16));
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace stp::pe
