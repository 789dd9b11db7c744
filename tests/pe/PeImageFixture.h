// Small synthetic Windows images for the tests: headers, a few plain sections and,
// where asked, a resource section holding a hand-made directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "pe/Resources.h"

namespace stp::pe {

// Failures show a resource's key and size, not its bytes.
void PrintTo(const Resource& r, std::ostream* out);

}  // namespace stp::pe

namespace stp::pe::test {

// Where the fixture puts things, written down independently of the library.
inline constexpr std::size_t kPeOffset = 0x80;
inline constexpr std::size_t kCoff = kPeOffset + 4;
inline constexpr std::size_t kOptional = kCoff + 20;
inline constexpr std::size_t kCoffSections = kCoff + 2;
inline constexpr std::size_t kCoffTimeDateStamp = kCoff + 4;
inline constexpr std::size_t kCoffSymbolTable = kCoff + 8;
inline constexpr std::size_t kOptSizeOfInitializedData = kOptional + 8;
inline constexpr std::size_t kOptSizeOfImage = kOptional + 56;
inline constexpr std::size_t kOptCheckSum = kOptional + 64;
inline constexpr std::uint32_t kRsrcCharacteristics = 0x40000040;

enum class RsrcAt { None, Last, Middle };

struct ImageShape {
    bool Pe32 = false;  // PE32+ otherwise
    int PlainSections = 2;
    RsrcAt Rsrc = RsrcAt::None;
    std::uint32_t SizeOfHeaders = 0x400;
    std::uint32_t FileAlignment = 0x200;
    std::uint32_t SectionAlignment = 0x1000;
    // The resource section's bytes for the RVA it is loaded at; the hand-made
    // directory of OldResource() when empty.
    std::function<std::string(std::uint32_t rva)> RsrcBytes = nullptr;
};

struct Section {
    std::uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData, Characteristics;
    std::string Name;
};

struct BuiltImage {
    std::string Bytes;
    int RsrcIndex = -1;  // in the section table
    std::uint32_t RsrcRva = 0;
    std::uint32_t RsrcRaw = 0;  // file offset of its bytes
};

BuiltImage BuildImage(const ImageShape& shape);
inline std::string MakeImage(const ImageShape& shape) { return BuildImage(shape).Bytes; }

// The one resource the default hand-made directory holds: RCDATA 1, language 0, "old resource".
inline constexpr char kOldResourceData[] = "old resource";

// Hand-made directory pieces.
std::string DirTable(std::uint16_t named, std::uint16_t ids,
                     const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries);
std::string DataEntry(std::uint32_t rva, std::uint32_t size);

std::uint16_t Get16(const std::string& bytes, std::size_t at);
std::uint32_t Get32(const std::string& bytes, std::size_t at);
void Set16(std::string& bytes, std::size_t at, std::uint16_t value);
void Set32(std::string& bytes, std::size_t at, std::uint32_t value);

// The message of the EPeError f raises, or "(no error)".
std::string PeErrorOf(const std::function<void()>& f);

std::size_t DataDirectory(bool pe32, int index);  // file offset of the entry
std::size_t SectionTable(bool pe32);
Section ReadSection(const std::string& image, bool pe32, int index);

}  // namespace stp::pe::test
