#include "pe/ResourceLookup.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "pe/ResourceSection.h"

namespace stp::pe {

std::optional<std::string> FindImageResource(std::string_view Image, const ResourceId& Type, const ResourceId& Name,
                                             std::size_t Limit) {
    try {
        // Read as the tools read them: the whole directory checked, each data entry inside one
        // section's bytes, data adding up to a bounded multiple of the file.
        std::vector<Resource> resources = ReadResources(Image);
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
