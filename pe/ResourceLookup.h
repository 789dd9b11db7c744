// One resource read out of an image that may be hostile: an earlier uninstaller found in
// the destination folder, read by the elevated installer as data, never run. Unlike
// ReadResources, a damaged image is an answer here, not an error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "pe/Resources.h"

namespace stp::pe {

// The bytes of resource Type/Name (its first language) in the image Image, or nothing
// when the image is no PE image, is damaged, has no such resource, or the data is longer
// than Limit. Never raises, never reads outside Image.
std::optional<std::string> FindImageResource(std::string_view Image, const ResourceId& Type, const ResourceId& Name,
                                             std::size_t Limit);

}  // namespace stp::pe
