// Reading an image's resources, and writing a copy of the image with other resources.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pe/Checksum.h"
#include "pe/Resources.h"

namespace stp::pe {

// Every resource of the image, in directory order (type, name, language). Raises EPeError
// for a file that is not a PE image it understands, or a resource directory that is damaged
// (loops, offsets or sizes outside the section/file, too deep).
std::vector<Resource> ReadResources(std::string_view image);

// A copy of image whose resource section holds exactly resources; timestamp goes into the
// COFF header. Raises EPeError for a signed image (certificate table present), a file that
// is not a PE32/PE32+ image, data after the last section (overlay) or a COFF symbol table, or
// no room for another section header.
//
// The resource section is replaced when it is the last section in the file and in memory;
// otherwise a new ".rsrc" section follows the last one and the old bytes stay, unreferenced.
std::string WriteResources(const std::string& image, const std::vector<Resource>& resources, std::uint32_t timestamp);

// The same image for resources of which the first in directory order (a named type sorts
// first) is too large to hold twice: its data is streamed to the file at StreamOffset()
// while it is made, and Finish gives the bytes before and after it. Resources hold that
// one with empty Data.
class StreamedResourceImage {
public:
    StreamedResourceImage(std::string image, std::vector<Resource> resources, std::uint32_t timestamp);

    std::uint64_t StreamOffset() const noexcept { return streamOffset_; }

    struct Pieces {
        std::string Before;  // the file up to StreamOffset()
        std::string After;   // the file after the streamed data
    };
    // Once the streamed data is complete: Size bytes, added to Streamed as they went.
    Pieces Finish(std::uint64_t size, const TWordSum& streamed) const;

private:
    std::string image_;
    std::vector<Resource> resources_;
    std::uint32_t timestamp_;
    std::uint64_t streamOffset_ = 0;
};

}  // namespace stp::pe
