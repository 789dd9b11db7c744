#include "PeImageFixture.h"

#include <ostream>

#include "datatable/Errors.h"

namespace stp::pe::test {

namespace {

constexpr std::uint32_t kPlainSectionSize = 0x180;
constexpr std::uint32_t kSubdirectory = 0x80000000;

std::uint32_t Align(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// RCDATA 1, language 0: root at 0, type table at 0x18, name table at 0x30, data entry at
// 0x48, data at 0x58.
std::string OldResourceTree(std::uint32_t rva) {
    return DirTable(0, 1, {{10, kSubdirectory | 0x18}}) + DirTable(0, 1, {{1, kSubdirectory | 0x30}}) +
           DirTable(0, 1, {{0, 0x48}}) + DataEntry(rva + 0x58, sizeof kOldResourceData - 1) + kOldResourceData;
}

void WriteHeaders(std::string& image, const ImageShape& shape, int sections) {
    image.replace(0, 2, "MZ");
    Set32(image, 0x3C, kPeOffset);
    image.replace(kPeOffset, 4, std::string("PE\0\0", 4));
    Set16(image, kCoff, shape.Pe32 ? 0x14C : 0x8664);
    Set16(image, kCoffSections, static_cast<std::uint16_t>(sections));
    Set32(image, kCoffTimeDateStamp, 0x5EED0000);
    Set16(image, kCoff + 16, shape.Pe32 ? 224 : 240);
    Set16(image, kCoff + 18, shape.Pe32 ? 0x0102 : 0x0022);
    Set16(image, kOptional, shape.Pe32 ? 0x10B : 0x20B);
    Set32(image, kOptional + 16, Align(shape.SizeOfHeaders, shape.SectionAlignment));  // entry point
    Set32(image, kOptional + (shape.Pe32 ? 28 : 24), 0x400000);
    Set32(image, kOptional + 32, shape.SectionAlignment);
    Set32(image, kOptional + 36, shape.FileAlignment);
    Set16(image, kOptional + 40, 6);
    Set16(image, kOptional + 48, 6);
    Set32(image, kOptional + 60, shape.SizeOfHeaders);
    Set16(image, kOptional + 68, 2);
    Set32(image, kOptional + (shape.Pe32 ? 92 : 108), 16);
}

}  // namespace

std::string DirTable(std::uint16_t named, std::uint16_t ids,
                     const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
    std::string table(16 + 8 * entries.size(), '\0');
    Set16(table, 12, named);
    Set16(table, 14, ids);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Set32(table, 16 + 8 * i, entries[i].first);
        Set32(table, 20 + 8 * i, entries[i].second);
    }
    return table;
}

std::string DataEntry(std::uint32_t rva, std::uint32_t size) {
    std::string entry(16, '\0');
    Set32(entry, 0, rva);
    Set32(entry, 4, size);
    return entry;
}

BuiltImage BuildImage(const ImageShape& shape) {
    BuiltImage built;
    const int sections = shape.PlainSections + (shape.Rsrc == RsrcAt::None ? 0 : 1);
    built.RsrcIndex = shape.Rsrc == RsrcAt::Last     ? shape.PlainSections
                      : shape.Rsrc == RsrcAt::Middle ? shape.PlainSections - 1
                                                     : -1;
    std::string& image = built.Bytes;
    image.assign(shape.SizeOfHeaders, '\0');
    WriteHeaders(image, shape, sections);

    std::uint32_t va = Align(shape.SizeOfHeaders, shape.SectionAlignment);
    std::uint32_t raw = shape.SizeOfHeaders;
    std::uint32_t initialized = 0;
    for (int i = 0; i < sections; ++i) {
        const bool rsrc = i == built.RsrcIndex;
        const std::string bytes = !rsrc             ? std::string(kPlainSectionSize, static_cast<char>('a' + i))
                                  : shape.RsrcBytes ? shape.RsrcBytes(va)
                                                    : OldResourceTree(va);
        const std::string name = rsrc ? ".rsrc" : ".sec" + std::to_string(i);
        const auto size = static_cast<std::uint32_t>(bytes.size());
        const std::uint32_t rawSize = Align(size, shape.FileAlignment);
        const std::size_t header = SectionTable(shape.Pe32) + 40 * i;
        image.replace(header, name.size(), name);
        Set32(image, header + 8, size);
        Set32(image, header + 12, va);
        Set32(image, header + 16, rawSize);
        Set32(image, header + 20, raw);
        Set32(image, header + 36, rsrc ? kRsrcCharacteristics : 0xC0000040);
        image.resize(raw);
        image += bytes;
        image.resize(raw + rawSize);
        if (rsrc) {
            Set32(image, DataDirectory(shape.Pe32, 2), va);
            Set32(image, DataDirectory(shape.Pe32, 2) + 4, size);
            built.RsrcRva = va;
            built.RsrcRaw = raw;
        }
        initialized += rawSize;
        va += Align(size, shape.SectionAlignment);
        raw += rawSize;
    }
    Set32(image, kOptSizeOfImage, va);
    Set32(image, kOptSizeOfInitializedData, initialized);
    return built;
}

std::uint16_t Get16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    return Get16(bytes, at) | std::uint32_t(Get16(bytes, at + 2)) << 16;
}

void Set16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<char>(value);
    bytes.at(at + 1) = static_cast<char>(value >> 8);
}

void Set32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Set16(bytes, at, static_cast<std::uint16_t>(value));
    Set16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace stp::pe::test

namespace stp::pe {

void PrintTo(const Resource& r, std::ostream* out) {
    *out << "{" << r.Type.ToString() << ", " << r.Name.ToString() << ", " << r.Language << ", " << r.Data.size()
         << " bytes}";
}

}  // namespace stp::pe

namespace stp::pe::test {

std::string PeErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EPeError& e) {
        return e.what();
    }
    return "(no error)";
}

std::size_t DataDirectory(bool pe32, int index) { return kOptional + (pe32 ? 96 : 112) + 8 * index; }

std::size_t SectionTable(bool pe32) { return kOptional + (pe32 ? 224 : 240); }

Section ReadSection(const std::string& image, bool pe32, int index) {
    const std::size_t at = SectionTable(pe32) + 40 * index;
    const std::string name = image.substr(at, 8);
    return {Get32(image, at + 8),  Get32(image, at + 12), Get32(image, at + 16),
            Get32(image, at + 20), Get32(image, at + 36), name.substr(0, name.find('\0'))};
}

}  // namespace stp::pe::test
