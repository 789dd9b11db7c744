#include "pe/PeHeaders.h"

#include <algorithm>

#include "datatable/Errors.h"
#include "pe/Bytes.h"

namespace stp::pe {

namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;

// The two forms differ, for what is read here, only in where the data directories start
// (NumberOfRvaAndSizes is the field before them).
struct OptionalLayout {
    std::uint16_t Magic;
    bool Pe32Plus;
    std::size_t DataDirectories;
    const char* Name;
};
constexpr OptionalLayout kLayouts[] = {{0x10B, false, 96, "PE32"}, {0x20B, true, 112, "PE32+"}};

constexpr std::size_t kOptSectionAlignment = 32;
constexpr std::size_t kOptFileAlignment = 36;
constexpr std::size_t kOptSizeOfHeaders = 60;

constexpr std::size_t kCoffPointerToSymbolTable = 8;
constexpr std::size_t kCoffSizeOfOptionalHeader = 16;

EPeError Truncated(const std::string& what) { return EPeError("truncated headers: " + what); }

const OptionalLayout& LayoutFor(std::uint16_t magic) {
    for (const OptionalLayout& layout : kLayouts)
        if (layout.Magic == magic) return layout;
    throw EPeError("not a PE32 or PE32+ image (optional header magic " + Hex(magic) + ")");
}

// Section names are 8 bytes padded with NULs; anything unprintable is shown as "?".
std::string SectionName(std::string_view raw) {
    std::string name(raw.substr(0, raw.find('\0')));
    for (char& c : name)
        if (c < 0x20 || c > 0x7E) c = '?';
    return name;
}

SectionHeader ReadSectionHeader(std::string_view image, std::size_t at) {
    SectionHeader s;
    s.Name = SectionName(image.substr(at, 8));
    s.VirtualSize = Get32(image, at + 8, "section header");
    s.VirtualAddress = Get32(image, at + 12, "section header");
    s.SizeOfRawData = Get32(image, at + 16, "section header");
    s.PointerToRawData = Get32(image, at + 20, "section header");
    s.Characteristics = Get32(image, at + 36, "section header");
    s.HeaderOffset = at;
    return s;
}

void ReadOptionalHeader(std::string_view image, PeHeaders& h, std::uint16_t size) {
    if (!Fits(image, h.OptionalOffset, size))
        throw Truncated("the optional header (" + std::to_string(size) + " bytes at " + Hex(h.OptionalOffset) +
                        ") runs past the end of the file");
    const std::string_view optional = image.substr(h.OptionalOffset, size);
    if (size < 2) throw Truncated("the optional header is " + std::to_string(size) + " bytes long");
    const OptionalLayout& layout = LayoutFor(Get16(optional, 0, "optional header magic"));
    if (size < layout.DataDirectories)
        throw Truncated("the optional header is " + std::to_string(size) + " bytes long, too short for " + layout.Name);
    h.Pe32Plus = layout.Pe32Plus;
    h.SectionAlignment = Get32(optional, kOptSectionAlignment, "SectionAlignment");
    h.FileAlignment = Get32(optional, kOptFileAlignment, "FileAlignment");
    h.SizeOfHeaders = Get32(optional, kOptSizeOfHeaders, "SizeOfHeaders");
    h.SizeOfInitializedData = Get32(optional, kOptSizeOfInitializedData, "SizeOfInitializedData");
    h.DataDirectoriesOffset = h.OptionalOffset + layout.DataDirectories;
    const std::uint32_t declared = Get32(optional, layout.DataDirectories - 4, "NumberOfRvaAndSizes");
    const std::uint32_t count = std::min<std::uint32_t>(declared, (size - layout.DataDirectories) / kDataDirectorySize);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = layout.DataDirectories + i * kDataDirectorySize;
        h.Directories.push_back({Get32(optional, at, "data directory"), Get32(optional, at + 4, "data directory")});
    }
}

}  // namespace

std::uint32_t SectionHeader::MappedSize() const {
    return VirtualSize == 0 ? SizeOfRawData : std::min(VirtualSize, SizeOfRawData);
}

std::uint32_t SectionHeader::MemorySize() const { return VirtualSize == 0 ? SizeOfRawData : VirtualSize; }

DataDirectory PeHeaders::Directory(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Directories.size()) return {};
    return Directories[index];
}

PeHeaders ParsePeHeaders(std::string_view image) {
    if (image.size() < kDosHeaderSize)
        throw EPeError("not a PE image: " + std::to_string(image.size()) + " bytes is too short for an MZ header");
    if (image.substr(0, 2) != "MZ") throw EPeError("not a PE image: no MZ signature");
    const std::uint32_t peOffset = Get32(image, kPeOffsetField, "PE header offset");
    if (!Fits(image, peOffset, 4 + kCoffHeaderSize))
        throw Truncated("the PE header at " + Hex(peOffset) + " runs past the end of the file (" +
                        std::to_string(image.size()) + " bytes)");
    if (image.substr(peOffset, 4) != std::string_view("PE\0\0", 4))
        throw EPeError("not a PE image: no PE signature at " + Hex(peOffset));

    PeHeaders h;
    h.CoffOffset = peOffset + 4;
    const std::uint16_t sectionCount = Get16(image, h.CoffOffset + kCoffNumberOfSections, "NumberOfSections");
    h.PointerToSymbolTable = Get32(image, h.CoffOffset + kCoffPointerToSymbolTable, "PointerToSymbolTable");
    const std::uint16_t optionalSize = Get16(image, h.CoffOffset + kCoffSizeOfOptionalHeader, "SizeOfOptionalHeader");
    h.OptionalOffset = h.CoffOffset + kCoffHeaderSize;
    ReadOptionalHeader(image, h, optionalSize);

    h.SectionTableOffset = h.OptionalOffset + optionalSize;
    if (!Fits(image, h.SectionTableOffset, std::uint64_t(sectionCount) * kSectionHeaderSize))
        throw Truncated("the section table (" + std::to_string(sectionCount) + " sections at " +
                        Hex(h.SectionTableOffset) + ") runs past the end of the file");
    for (std::size_t i = 0; i < sectionCount; ++i)
        h.Sections.push_back(ReadSectionHeader(image, h.SectionTableOffset + i * kSectionHeaderSize));
    return h;
}

std::string_view MappedTail(const PeHeaders& headers, std::string_view image, std::uint32_t rva,
                            std::string_view what) {
    const std::string at = std::string(what) + " at RVA " + Hex(rva);
    const auto section = std::find_if(headers.Sections.begin(), headers.Sections.end(), [rva](const SectionHeader& s) {
        return rva >= s.VirtualAddress && rva - s.VirtualAddress < s.MemorySize();
    });
    if (section == headers.Sections.end()) throw EPeError(at + " is outside the image's sections");
    const std::uint32_t into = rva - section->VirtualAddress;
    if (into >= section->MappedSize())
        throw EPeError(at + " is in the part of section " + section->Name + " that the file does not hold");
    const std::uint32_t size = section->MappedSize() - into;
    const std::uint64_t offset = std::uint64_t(section->PointerToRawData) + into;
    if (!Fits(image, offset, size))
        throw EPeError(at + ": the data of section " + section->Name + " runs past the end of the file");
    return image.substr(offset, size);
}

std::string_view MappedBytes(const PeHeaders& headers, std::string_view image, std::uint32_t rva, std::uint32_t size,
                             std::string_view what) {
    if (size == 0) return {};
    const std::string_view tail = MappedTail(headers, image, rva, what);
    if (tail.size() < size)
        throw EPeError(std::string(what) + " at RVA " + Hex(rva) + " (" + std::to_string(size) +
                       " bytes) runs past the end of its section");
    return tail.substr(0, size);
}

}  // namespace stp::pe
