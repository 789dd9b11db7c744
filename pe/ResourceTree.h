// The resource directory's bytes: three levels of tables (type, name, language) whose
// entries lead, in turn, to the data entries, which give each resource's RVA and size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pe/Resources.h"

namespace stp::pe {

// The resources in directory order; EPeError for two with the same type, name and language.
std::vector<const Resource*> DirectoryOrder(const std::vector<Resource>& resources);

struct EncodedTree {
    std::string Head;                        // tables, data entries and names, padded to 8 bytes
    std::vector<std::uint32_t> DataOffsets;  // each resource's data, from the directory's start
    std::uint32_t Size = 0;                  // the directory with all its data
};

// The directory for resources in DirectoryOrder, to be loaded at directoryRva (data
// entries hold image RVAs). Only the head is built: the caller places each resource's
// data at its offset, so large data is copied once. Tables carry time stamp 0.
// Sizes, when given, stand for the resources' data sizes (data streamed elsewhere).
EncodedTree EncodeTree(const std::vector<const Resource*>& resources, std::uint32_t directoryRva,
                       const std::vector<std::uint64_t>* sizes = nullptr);

// The bytes of rva..rva+size in the image; raises EPeError when they are not there.
using DataReader = std::function<std::string_view(std::uint32_t rva, std::uint32_t size)>;

// Every resource under the directory that starts directory (which runs to its section's
// end), in directory order. Raises EPeError for a damaged directory: tables, entries or
// names outside it, a table reached twice, more than three levels, a leaf above the
// third level, or data adding up to more than dataLimit bytes.
std::vector<Resource> DecodeTree(std::string_view directory, const DataReader& data, std::uint64_t dataLimit);

}  // namespace stp::pe
