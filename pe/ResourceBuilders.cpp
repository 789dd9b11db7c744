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
        directory.append(icoFile, kIconHeaderSize + i * kIconEntrySize, kIconEntrySharedSize);
        Append16(directory, id);
    }
    resources[0] = {ResourceId::Number(rtGroupIcon), UpperCased(group), language, std::move(directory)};
    return resources;
}

std::string BitmapResourceData(const std::string& bmpFile) {
    if (bmpFile.size() < kBmpFileHeaderSize + 4)
        throw EPeError("not a BMP file: " + std::to_string(bmpFile.size()) + " bytes is too short for its headers");
    if (bmpFile.compare(0, 2, "BM") != 0) throw EPeError("not a BMP file: no BM signature");
    const std::uint32_t infoSize = Get32(bmpFile, kBmpFileHeaderSize, "bitmap header size");
    if (infoSize < kSmallestBitmapHeader || !Fits(bmpFile, kBmpFileHeaderSize, infoSize))
        throw EPeError("not a BMP file: its bitmap header of " + std::to_string(infoSize) + " bytes does not fit");
    return bmpFile.substr(kBmpFileHeaderSize);
}

}  // namespace stp::pe
