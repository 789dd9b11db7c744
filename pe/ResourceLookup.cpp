#include "pe/ResourceLookup.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "pe/PeHeaders.h"
#include "pe/ResourceTree.h"

namespace stp::pe {

namespace {

// As ReadResources: shared data may add up to more than the file, never by this much, so
// a few bytes claiming gigabytes are refused before anything is copied.
constexpr std::uint64_t kDataLimitFactor = 4;

// Every resource, read as ReadResources reads them (the whole directory checked, each
// data entry inside one section's bytes in the file); EPeError for a damaged image.
std::vector<Resource> DecodeImage(std::string_view image) {
    const PeHeaders h = ParsePeHeaders(image);
    const DataDirectory dir = h.Directory(kResourceDirectory);
    if (dir.Rva == 0 || dir.Size == 0) return {};
    const std::string_view directory = MappedTail(h, image, dir.Rva, "the resource directory");
    const DataReader data = [&](std::uint32_t rva, std::uint32_t size) {
        return MappedBytes(h, image, rva, size, "resource data");
    };
    return DecodeTree(directory, data, kDataLimitFactor * image.size());
}

}  // namespace

std::optional<std::string> FindImageResource(std::string_view Image, const ResourceId& Type, const ResourceId& Name,
                                             std::size_t Limit) {
    try {
        std::vector<Resource> resources = DecodeImage(Image);
        const auto found = std::find_if(resources.begin(), resources.end(),
                                        [&](const Resource& r) { return r.Type == Type && r.Name == Name; });
        if (found == resources.end() || found->Data.size() > Limit) return std::nullopt;
        return std::move(found->Data);
    } catch (const std::exception&) {
        // A damaged image, or one whose resources do not fit in memory: neither is ours.
        return std::nullopt;
    }
}

}  // namespace stp::pe
