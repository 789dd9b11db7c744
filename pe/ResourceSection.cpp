#include "pe/ResourceSection.h"

#include <algorithm>
#include <string_view>

#include "datatable/Errors.h"
#include "pe/Bytes.h"
#include "pe/Checksum.h"
#include "pe/PeHeaders.h"
#include "pe/ResourceTree.h"

namespace stp::pe {

namespace {

constexpr std::uint32_t kResourceCharacteristics = 0x40000040;  // initialized data, readable
constexpr char kResourceSectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
constexpr std::size_t kSectionVirtualSize = 8;
constexpr std::size_t kSectionVirtualAddress = 12;
constexpr std::size_t kSectionSizeOfRawData = 16;
constexpr std::size_t kSectionPointerToRawData = 20;
constexpr std::size_t kSectionCharacteristics = 36;
constexpr std::uint64_t kAddressLimit = 0xFFFFFFFF;
constexpr std::uint32_t kLargestFileAlignment = 0x10000;

// Shared data may make the resources larger than the file, but never by this much.
constexpr std::uint64_t kDataLimitFactor = 4;

bool IsPowerOfTwo(std::uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Where the new resource section goes.
struct Placement {
    int Replaced = -1;  // index of the section replaced, or -1 for a new one
    std::size_t HeaderOffset = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t PointerToRawData = 0;
};

// The end of the headers and every section's bytes in the file.
std::uint64_t StoredEnd(const PeHeaders& h) {
    std::uint64_t end = h.SizeOfHeaders;
    for (const SectionHeader& s : h.Sections)
        if (s.SizeOfRawData) end = std::max<std::uint64_t>(end, std::uint64_t(s.PointerToRawData) + s.SizeOfRawData);
    return end;
}

// A new or regrown section is placed after the others; with overlapping ones no place
// is safe, and the loader refuses such an image anyway.
void RequireSeparateInMemory(const PeHeaders& h) {
    std::vector<const SectionHeader*> byAddress;
    for (const SectionHeader& s : h.Sections) byAddress.push_back(&s);
    std::sort(byAddress.begin(), byAddress.end(),
              [](const SectionHeader* a, const SectionHeader* b) { return a->VirtualAddress < b->VirtualAddress; });
    for (std::size_t i = 1; i < byAddress.size(); ++i) {
        const SectionHeader& before = *byAddress[i - 1];
        if (std::uint64_t(before.VirtualAddress) + before.MemorySize() > byAddress[i]->VirtualAddress)
            throw EPeError("sections " + before.Name + " and " + byAddress[i]->Name + " overlap in memory");
    }
}

// What the writer cannot keep intact or does not understand.
void RequireSupported(const PeHeaders& h) {
    const DataDirectory certificates = h.Directory(kCertificateDirectory);
    if (certificates.Rva || certificates.Size)
        throw EPeError("the image is signed (it has a certificate table); give it its resources before signing it");
    if (h.PointerToSymbolTable)
        throw EPeError("the image has a COFF symbol table at " + Hex(h.PointerToSymbolTable) + "; strip it first");
    if (h.Directories.size() <= kResourceDirectory)
        throw EPeError("the image's optional header has no resource directory entry (" +
                       std::to_string(h.Directories.size()) + " data directories)");
    if (!IsPowerOfTwo(h.FileAlignment) || h.FileAlignment > kLargestFileAlignment ||
        !IsPowerOfTwo(h.SectionAlignment) || h.SectionAlignment < h.FileAlignment)
        throw EPeError("the image's alignments are invalid (file " + Hex(h.FileAlignment) + ", section " +
                       Hex(h.SectionAlignment) + ")");
}

// Headers, section table and section data where the placement below expects them.
void RequireOrderlyLayout(const PeHeaders& h, std::string_view image) {
    const std::uint64_t tableEnd = h.SectionTableOffset + h.Sections.size() * kSectionHeaderSize;
    if (tableEnd > h.SizeOfHeaders)
        throw EPeError("the section table ends at " + Hex(tableEnd) + ", after the headers' end (SizeOfHeaders " +
                       Hex(h.SizeOfHeaders) + ")");
    RequireSeparateInMemory(h);
    if (h.SizeOfHeaders > image.size())
        throw EPeError("the image is truncated: its headers (SizeOfHeaders " + Hex(h.SizeOfHeaders) +
                       ") run past its end");
    for (const SectionHeader& s : h.Sections)
        if (s.SizeOfRawData && !Fits(image, s.PointerToRawData, s.SizeOfRawData))
            throw EPeError("the image is truncated: section " + s.Name + " (" + std::to_string(s.SizeOfRawData) +
                           " bytes at " + Hex(s.PointerToRawData) + ") runs past its end");
    const std::uint64_t end = StoredEnd(h);
    if (image.size() > end)
        throw EPeError("the image has " + std::to_string(image.size() - end) +
                       " bytes after its last section (an overlay), which would be lost");
}

// The section holding the resource directory at its start, when it is the last one both
// in the file and in memory: it can grow or shrink without moving anything else.
int ReplaceableSection(const PeHeaders& h) {
    const DataDirectory dir = h.Directory(kResourceDirectory);
    if (dir.Rva == 0 || dir.Size == 0) return -1;
    for (std::size_t i = 0; i < h.Sections.size(); ++i) {
        const SectionHeader& s = h.Sections[i];
        if (s.VirtualAddress != dir.Rva || s.SizeOfRawData == 0 || s.PointerToRawData < h.SizeOfHeaders) continue;
        const bool last = std::all_of(h.Sections.begin(), h.Sections.end(), [&](const SectionHeader& t) {
            if (&t == &s) return true;
            const bool storedBefore =
                t.SizeOfRawData == 0 || t.PointerToRawData + std::uint64_t(t.SizeOfRawData) <= s.PointerToRawData;
            return t.VirtualAddress < s.VirtualAddress && storedBefore;
        });
        return last ? static_cast<int>(i) : -1;
    }
    return -1;
}

// The slot after the section table must be free: inside the headers, before any
// section's data, and not used by anything else there.
std::size_t NewHeaderOffset(const PeHeaders& h, std::string_view image) {
    if (h.Sections.size() >= 0xFFFF) throw EPeError("the image already has 65535 sections");
    const std::size_t at = h.SectionTableOffset + h.Sections.size() * kSectionHeaderSize;
    std::uint64_t firstData = h.SizeOfHeaders;
    for (const SectionHeader& s : h.Sections)
        if (s.SizeOfRawData) firstData = std::min<std::uint64_t>(firstData, s.PointerToRawData);
    if (at + kSectionHeaderSize > firstData)
        throw EPeError("no room for another section header: the section table ends at " + Hex(at) + ", and " +
                       std::to_string(kSectionHeaderSize) + " more bytes would pass the end of the headers at " +
                       Hex(firstData));
    // RequireOrderlyLayout has kept the headers inside the file, so the slot is there to look at.
    if (image.substr(at, kSectionHeaderSize).find_first_not_of('\0') != std::string_view::npos)
        throw EPeError("no room for another section header: the bytes after the section table at " + Hex(at) +
                       " are in use");
    return at;
}

Placement Place(const PeHeaders& h, std::string_view image) {
    Placement p;
    p.Replaced = ReplaceableSection(h);
    if (p.Replaced >= 0) {
        const SectionHeader& s = h.Sections[p.Replaced];
        p.HeaderOffset = s.HeaderOffset;
        p.VirtualAddress = s.VirtualAddress;
        p.PointerToRawData = s.PointerToRawData;
        return p;
    }
    p.HeaderOffset = NewHeaderOffset(h, image);
    std::uint64_t memoryEnd = h.SizeOfHeaders;
    for (const SectionHeader& s : h.Sections)
        memoryEnd = std::max<std::uint64_t>(memoryEnd, std::uint64_t(s.VirtualAddress) + s.MemorySize());
    const std::uint64_t va = AlignUp(memoryEnd, h.SectionAlignment);
    const std::uint64_t raw = AlignUp(StoredEnd(h), h.FileAlignment);
    if (va > kAddressLimit || raw > kAddressLimit) throw EPeError("the image has no room for another section");
    p.VirtualAddress = static_cast<std::uint32_t>(va);
    p.PointerToRawData = static_cast<std::uint32_t>(raw);
    return p;
}

// The image up to the section's place, then the section, padded to the file alignment.
std::string Assemble(const std::string& image, const Placement& p, const EncodedTree& tree,
                     const std::vector<const Resource*>& order, std::uint64_t rawSize) {
    const std::size_t start = p.PointerToRawData;
    std::string out;
    out.reserve(start + rawSize);
    out.append(image, 0, std::min(image.size(), start));
    out.resize(start, '\0');
    out += tree.Head;
    for (std::size_t i = 0; i < order.size(); ++i) {
        out.resize(start + tree.DataOffsets[i], '\0');
        out += order[i]->Data;
    }
    out.resize(start + rawSize, '\0');
    return out;
}

void WriteSectionHeader(std::string& out, const Placement& p, std::uint32_t size, std::uint32_t rawSize) {
    out.replace(p.HeaderOffset, kSectionHeaderSize, kSectionHeaderSize, '\0');
    out.replace(p.HeaderOffset, sizeof kResourceSectionName, kResourceSectionName, sizeof kResourceSectionName);
    Put32(out, p.HeaderOffset + kSectionVirtualSize, size);
    Put32(out, p.HeaderOffset + kSectionVirtualAddress, p.VirtualAddress);
    Put32(out, p.HeaderOffset + kSectionSizeOfRawData, rawSize);
    Put32(out, p.HeaderOffset + kSectionPointerToRawData, p.PointerToRawData);
    Put32(out, p.HeaderOffset + kSectionCharacteristics, kResourceCharacteristics);
}

void UpdateHeaders(std::string& out, const PeHeaders& h, const Placement& p, std::uint32_t size, std::uint32_t rawSize,
                   std::uint32_t timestamp) {
    if (p.Replaced < 0)
        Put16(out, h.CoffOffset + kCoffNumberOfSections, static_cast<std::uint16_t>(h.Sections.size() + 1));
    Put32(out, h.CoffOffset + kCoffTimeDateStamp, timestamp);
    Put32(out, h.OptionalOffset + kOptSizeOfImage,
          static_cast<std::uint32_t>(AlignUp(std::uint64_t(p.VirtualAddress) + size, h.SectionAlignment)));
    const std::uint64_t oldRaw = p.Replaced >= 0 ? h.Sections[p.Replaced].SizeOfRawData : 0;
    const std::uint64_t initialized = h.SizeOfInitializedData > oldRaw ? h.SizeOfInitializedData - oldRaw : 0;
    Put32(out, h.OptionalOffset + kOptSizeOfInitializedData,
          static_cast<std::uint32_t>(std::min(initialized + rawSize, kAddressLimit)));
    const std::size_t directory = h.DataDirectoriesOffset + kResourceDirectory * kDataDirectorySize;
    Put32(out, directory, p.VirtualAddress);
    Put32(out, directory + 4, size);
    Put32(out, h.OptionalOffset + kOptCheckSum, 0);
}

// Everything WriteResources checks and works out before it writes a byte.
struct Plan {
    PeHeaders Headers;
    std::vector<const Resource*> Order;
    Placement Place;
};

Plan MakePlan(const std::string& image, const std::vector<Resource>& resources) {
    Plan plan{ParsePeHeaders(image), {}, {}};
    RequireSupported(plan.Headers);
    RequireOrderlyLayout(plan.Headers, image);
    plan.Order = DirectoryOrder(resources);
    plan.Place = Place(plan.Headers, image);
    return plan;
}

void RequireAddressable(const Placement& place, const EncodedTree& tree, std::uint64_t rawSize,
                        std::uint32_t sectionAlignment) {
    if (place.PointerToRawData + rawSize > kAddressLimit ||
        AlignUp(std::uint64_t(place.VirtualAddress) + tree.Size, sectionAlignment) > kAddressLimit)
        throw EPeError("the resources (" + std::to_string(tree.Size) +
                       " bytes) do not fit in the 4 GiB an image can address");
}

}  // namespace

std::vector<Resource> ReadResources(std::string_view image) {
    const PeHeaders h = ParsePeHeaders(image);
    const DataDirectory dir = h.Directory(kResourceDirectory);
    if (dir.Rva == 0 || dir.Size == 0) return {};
    const std::string_view directory = MappedTail(h, image, dir.Rva, "the resource directory");
    const DataReader data = [&](std::uint32_t rva, std::uint32_t size) {
        return MappedBytes(h, image, rva, size, "resource data");
    };
    return DecodeTree(directory, data, kDataLimitFactor * image.size());
}

std::string WriteResources(const std::string& image, const std::vector<Resource>& resources, std::uint32_t timestamp) {
    const Plan plan = MakePlan(image, resources);
    const EncodedTree tree = EncodeTree(plan.Order, plan.Place.VirtualAddress);
    const std::uint64_t rawSize = AlignUp(tree.Size, plan.Headers.FileAlignment);
    RequireAddressable(plan.Place, tree, rawSize, plan.Headers.SectionAlignment);
    std::string out = Assemble(image, plan.Place, tree, plan.Order, rawSize);
    WriteSectionHeader(out, plan.Place, tree.Size, static_cast<std::uint32_t>(rawSize));
    UpdateHeaders(out, plan.Headers, plan.Place, tree.Size, static_cast<std::uint32_t>(rawSize), timestamp);
    const std::size_t checksum = plan.Headers.OptionalOffset + kOptCheckSum;
    Put32(out, checksum, PeChecksum(out, checksum));
    return out;
}

StreamedResourceImage::StreamedResourceImage(std::string image, std::vector<Resource> resources,
                                             std::uint32_t timestamp)
    : image_(std::move(image)), resources_(std::move(resources)), timestamp_(timestamp) {
    const Plan plan = MakePlan(image_, resources_);
    if (plan.Order.empty() || !plan.Order.front()->Data.empty())
        throw EPeError("the streamed resource must come first in directory order and hold no data of its own");
    // The first data follows the head, whose size does not depend on any data's size.
    streamOffset_ = plan.Place.PointerToRawData + EncodeTree(plan.Order, plan.Place.VirtualAddress).DataOffsets[0];
}

StreamedResourceImage::Pieces StreamedResourceImage::Finish(std::uint64_t size, const TWordSum& streamed) const {
    const Plan plan = MakePlan(image_, resources_);
    std::vector<std::uint64_t> sizes;
    for (const Resource* r : plan.Order) sizes.push_back(r == plan.Order.front() ? size : r->Data.size());
    const EncodedTree tree = EncodeTree(plan.Order, plan.Place.VirtualAddress, &sizes);
    const std::uint64_t rawSize = AlignUp(tree.Size, plan.Headers.FileAlignment);
    RequireAddressable(plan.Place, tree, rawSize, plan.Headers.SectionAlignment);

    // The whole file but the streamed data, then cut around it.
    std::vector<const Resource*> rest(plan.Order.begin() + 1, plan.Order.end());
    const std::size_t start = plan.Place.PointerToRawData;
    std::string out;
    out.append(image_, 0, std::min(image_.size(), start));
    out.resize(start, '\0');
    out += tree.Head;
    out.resize(start + tree.DataOffsets[0], '\0');
    Pieces pieces;
    pieces.Before = std::move(out);
    WriteSectionHeader(pieces.Before, plan.Place, tree.Size, static_cast<std::uint32_t>(rawSize));
    UpdateHeaders(pieces.Before, plan.Headers, plan.Place, tree.Size, static_cast<std::uint32_t>(rawSize), timestamp_);
    const std::uint64_t afterStart = start + tree.DataOffsets[0] + size;
    for (std::size_t i = 1; i < plan.Order.size(); ++i) {
        pieces.After.resize(start + tree.DataOffsets[i] - afterStart, '\0');
        pieces.After += plan.Order[i]->Data;
    }
    pieces.After.resize(start + rawSize - afterStart, '\0');

    TWordSum sum;
    sum.Add(pieces.Before);
    TWordSum whole = sum;
    whole.AddSum(streamed);
    whole.Add(pieces.After);
    Put32(pieces.Before, plan.Headers.OptionalOffset + kOptCheckSum, whole.Checksum());
    return pieces;
}

}  // namespace stp::pe
