// Resource reading of any bytes, and writing back what was read. The reader may only raise
// EPeError; an image it reads must, once WriteResources accepts it, read back the same
// resources from the written copy (in directory order, names upper-cased).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datatable/Errors.h"
#include "pe/ResourceSection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string image(reinterpret_cast<const char*>(data), size);
    std::vector<stp::pe::Resource> resources;
    std::string written;
    try {
        resources = stp::pe::ReadResources(image);
        written = stp::pe::WriteResources(image, resources, 0);
    } catch (const stp::EPeError&) {
        return 0;
    }
    std::stable_sort(resources.begin(), resources.end());
    if (stp::pe::ReadResources(written) != resources) std::abort();
    return 0;
}
