#include "pe/ResourceBuilders.h"

#include "datatable/Errors.h"
#include "pe/Bytes.h"

namespace stp::pe {

namespace {

constexpr std::uint16_t kStringsPerBlock = 16;
constexpr std::uint16_t kLastStringBlock = 4096;  // 65535 / 16 + 1

constexpr std::size_t kIconHeaderSize = 6;        // reserved, type, count
constexpr std::size_t kIconEntrySize = 16;        // in the file: ... size, offset
constexpr std::size_t kIconEntrySharedSize = 12;  // width .. bit count, size: the same in the group
constexpr std::uint16_t kIconType = 1;

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kSmallestBitmapHeader = 12;

std::string StringBlock(const std::u16string (&slots)[kStringsPerBlock]) {
    std::string data;
    for (const std::u16string& text : slots) {
        Append16(data, static_cast<std::uint16_t>(text.size()));
        for (char16_t c : text) Append16(data, c);
    }
    return data;
}

// The block's 16 strings; raises EPeError when its data ends early.
void ReadStringBlock(const Resource& block, std::map<std::uint16_t, std::u16string>& strings) {
    const std::uint32_t first = (block.Name.Id - 1u) * kStringsPerBlock;
    std::uint64_t at = 0;
    for (std::uint32_t i = 0; i < kStringsPerBlock; ++i) {
        const std::uint16_t length = Fits(block.Data, at, 2) ? Get16(block.Data, at, "string length") : 0;
        if (!Fits(block.Data, at, 2 + 2 * std::uint64_t(length)))
            throw EPeError("string block " + block.Name.ToString() + " ends inside its string " + std::to_string(i));
        std::u16string text;
        for (std::uint32_t c = 0; c < length; ++c)
            text += static_cast<char16_t>(Get16(block.Data, at + 2 + 2 * c, "string"));
        at += 2 + 2 * std::uint64_t(length);
        if (!text.empty()) strings.emplace(static_cast<std::uint16_t>(first + i), std::move(text));
    }
}

Resource IconImage(const std::string& ico, std::size_t index, std::uint16_t id, std::uint16_t language) {
    const std::size_t entry = kIconHeaderSize + index * kIconEntrySize;
    const std::uint32_t size = Get32(ico, entry + 8, "icon image size");
    const std::uint32_t offset = Get32(ico, entry + 12, "icon image offset");
    if (size == 0 || !Fits(ico, offset, size))
        throw EPeError("not an icon file: image " + std::to_string(index + 1) + " (" + std::to_string(size) +
                       " bytes at " + Hex(offset) + ") lies outside the file");
    return {ResourceId::Number(rtIcon), ResourceId::Number(id), language, ico.substr(offset, size)};
}

}  // namespace

std::vector<Resource> StringTableResources(const std::map<std::uint16_t, std::u16string>& strings,
                                           std::uint16_t language) {
    std::vector<Resource> blocks;
    for (auto it = strings.begin(); it != strings.end();) {
        const std::uint16_t block = it->first / kStringsPerBlock;
        std::u16string slots[kStringsPerBlock];
        for (; it != strings.end() && it->first / kStringsPerBlock == block; ++it) {
            if (it->second.size() > 0xFFFF)
                throw EPeError("string " + std::to_string(it->first) + " has " + std::to_string(it->second.size()) +
                               " characters, more than a string table holds (65535)");
            slots[it->first % kStringsPerBlock] = it->second;
        }
        blocks.push_back({ResourceId::Number(rtString), ResourceId::Number(static_cast<std::uint16_t>(block + 1)),
                          language, StringBlock(slots)});
    }
    return blocks;
}

std::map<std::uint16_t, std::u16string> ReadStringTable(const std::vector<Resource>& resources) {
    std::map<std::uint16_t, std::u16string> strings;
    for (const Resource& r : resources) {
        if (!(r.Type == ResourceId::Number(rtString))) continue;
        if (r.Name.IsName() || r.Name.Id == 0 || r.Name.Id > kLastStringBlock)
            throw EPeError("string block " + r.Name.ToString() + " is not numbered 1 to 4096");
        ReadStringBlock(r, strings);
    }
    return strings;
}

// Many icon writers leave planes and bit count 0 in the file's directory; Windows picks
// the image to show by them, so they are taken from the image's own header then.
void FillPlanesAndBits(std::string& entry, const std::string& image) {
    constexpr std::size_t kPlanes = 4, kBits = 6;
    if (image.size() < 16 || image.compare(1, 3, "PNG") == 0) return;
    if (Get16(entry, kPlanes, "icon entry") == 0) entry.replace(kPlanes, 2, image, 12, 2);
    if (Get16(entry, kBits, "icon entry") == 0) entry.replace(kBits, 2, image, 14, 2);
}

std::vector<Resource> IconGroupResources(const ResourceId& group, const std::string& icoFile, std::uint16_t firstIconId,
                                         std::uint16_t language) {
    if (icoFile.size() < kIconHeaderSize)
        throw EPeError("not an icon file: " + std::to_string(icoFile.size()) + " bytes is too short for its header");
    const std::uint16_t reserved = Get16(icoFile, 0, "icon header");
    const std::uint16_t type = Get16(icoFile, 2, "icon header");
    const std::uint16_t count = Get16(icoFile, 4, "icon header");
    if (reserved != 0 || type != kIconType)
        throw EPeError("not an icon file: its header says reserved " + std::to_string(reserved) + ", type " +
                       std::to_string(type) + " (an icon has 0 and 1)");
    if (count == 0) throw EPeError("the icon file holds no images");
    if (!Fits(icoFile, kIconHeaderSize, std::uint64_t(count) * kIconEntrySize))
        throw EPeError("not an icon file: its directory of " + std::to_string(count) + " images runs past its end");
    if (firstIconId == 0 || firstIconId + (count - 1u) > 0xFFFF)
        throw EPeError("icon ids " + std::to_string(firstIconId) + " to " + std::to_string(firstIconId + (count - 1u)) +
                       " do not fit in 1..65535");

    std::string directory;
    Append16(directory, 0);
    Append16(directory, kIconType);
    Append16(directory, count);
    std::vector<Resource> resources(1);
    for (std::size_t i = 0; i < count; ++i) {
        const auto id = static_cast<std::uint16_t>(firstIconId + i);
        resources.push_back(IconImage(icoFile, i, id, language));
        std::string entry = icoFile.substr(kIconHeaderSize + i * kIconEntrySize, kIconEntrySharedSize);
        FillPlanesAndBits(entry, resources.back().Data);
        directory += entry;
        Append16(directory, id);
    }
    resources[0] = {ResourceId::Number(rtGroupIcon), UpperCased(group), language, std::move(directory)};
    return resources;
}

// The bytes between the bitmap header and the pixels: the colour masks of a 40-byte
// header with bit fields, and the colour table (3 bytes an entry after a 12-byte core
// header, 4 otherwise).
std::uint64_t ColourTableSize(const std::string& bmp, std::uint32_t infoSize) {
    const std::size_t info = kBmpFileHeaderSize;
    if (infoSize == kSmallestBitmapHeader) {
        const std::uint16_t bits = Get16(bmp, info + 10, "bitmap header");
        return bits <= 8 ? (std::uint64_t{1} << bits) * 3 : 0;
    }
    if (infoSize < 40) throw EPeError("not a BMP file: a bitmap header of " + std::to_string(infoSize) + " bytes");
    const std::uint16_t bits = Get16(bmp, info + 14, "bitmap header");
    const std::uint32_t compression = Get32(bmp, info + 16, "bitmap header");
    const std::uint32_t used = Get32(bmp, info + 32, "bitmap header");
    const std::uint64_t masks =
        (infoSize == 40 && (compression == 3 || compression == 6)) ? (compression == 3 ? 12 : 16) : 0;
    const std::uint64_t entries = used ? used : (bits <= 8 ? std::uint64_t{1} << bits : 0);
    return masks + 4 * entries;
}

std::string BitmapResourceData(const std::string& bmpFile) {
    if (bmpFile.size() < kBmpFileHeaderSize + 4)
        throw EPeError("not a BMP file: " + std::to_string(bmpFile.size()) + " bytes is too short for its headers");
    if (bmpFile.compare(0, 2, "BM") != 0) throw EPeError("not a BMP file: no BM signature");
    const std::uint32_t infoSize = Get32(bmpFile, kBmpFileHeaderSize, "bitmap header size");
    if (infoSize < kSmallestBitmapHeader || !Fits(bmpFile, kBmpFileHeaderSize, infoSize))
        throw EPeError("not a BMP file: its bitmap header of " + std::to_string(infoSize) + " bytes does not fit");
    // A bitmap resource is packed: the pixels follow the header and colour table at once.
    // A file may leave a gap before its pixels (bfOffBits); the gap is cut out.
    const std::uint64_t pixels = Get32(bmpFile, 10, "bitmap file header");
    const std::uint64_t packed = kBmpFileHeaderSize + infoSize + ColourTableSize(bmpFile, infoSize);
    if (pixels < packed || pixels > bmpFile.size())
        throw EPeError("not a BMP file: its pixels start at " + std::to_string(pixels) + ", not after its headers (" +
                       std::to_string(packed) + ") within its " + std::to_string(bmpFile.size()) + " bytes");
    return bmpFile.substr(kBmpFileHeaderSize, packed - kBmpFileHeaderSize) + bmpFile.substr(pixels);
}

}  // namespace stp::pe
