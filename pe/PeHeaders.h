// The headers of a PE32 or PE32+ image: where its fields are and what they hold, and the
// mapping from relative virtual addresses to file bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace stp::pe {

inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kDataDirectorySize = 8;
inline constexpr int kResourceDirectory = 2;
inline constexpr int kCertificateDirectory = 4;

struct SectionHeader {
    std::string Name;  // up to 8 bytes, without the padding
    std::uint32_t VirtualSize = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t SizeOfRawData = 0;
    std::uint32_t PointerToRawData = 0;
    std::uint32_t Characteristics = 0;
    std::size_t HeaderOffset = 0;  // file offset of this header

    // Bytes the loader maps from the file: VirtualSize (SizeOfRawData when 0) capped by
    // SizeOfRawData.
    std::uint32_t MappedSize() const;
    // Bytes the section covers in memory: VirtualSize, or SizeOfRawData when that is 0.
    std::uint32_t MemorySize() const;
};

struct DataDirectory {
    std::uint32_t Rva = 0;
    std::uint32_t Size = 0;
};

struct PeHeaders {
    bool Pe32Plus = false;
    std::size_t CoffOffset = 0;      // the COFF file header, after "PE\0\0"
    std::size_t OptionalOffset = 0;  // the optional header
    std::size_t DataDirectoriesOffset = 0;
    std::vector<DataDirectory> Directories;  // as many as declared and inside the optional header
    std::size_t SectionTableOffset = 0;
    std::uint32_t PointerToSymbolTable = 0;
    std::uint32_t SectionAlignment = 0;
    std::uint32_t FileAlignment = 0;
    std::uint32_t SizeOfHeaders = 0;
    std::uint32_t SizeOfInitializedData = 0;
    std::vector<SectionHeader> Sections;

    // The entry at index, or an empty one when the image has fewer.
    DataDirectory Directory(int index) const;
};

// Field offsets from the start of the COFF file header and of the optional header (the
// same in both forms for the fields written here).
inline constexpr std::size_t kCoffNumberOfSections = 2;
inline constexpr std::size_t kCoffTimeDateStamp = 4;
inline constexpr std::size_t kOptSizeOfInitializedData = 8;
inline constexpr std::size_t kOptSizeOfImage = 56;
inline constexpr std::size_t kOptCheckSum = 64;

// Raises EPeError for a file that is not a PE32/PE32+ image or whose headers and section
// table run past its end.
PeHeaders ParsePeHeaders(std::string_view image);

// The file bytes behind rva..rva+size (none for size 0); EPeError naming what when they
// are not all among one section's mapped bytes.
std::string_view MappedBytes(const PeHeaders& headers, std::string_view image, std::uint32_t rva, std::uint32_t size,
                             std::string_view what);
// Every mapped byte from rva to the end of its section.
std::string_view MappedTail(const PeHeaders& headers, std::string_view image, std::uint32_t rva, std::string_view what);

}  // namespace stp::pe
