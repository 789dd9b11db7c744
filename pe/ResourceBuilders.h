// Resources made from what a product folder holds: string tables, icons and bitmaps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pe/Resources.h"

namespace stp::pe {

// RT_STRING blocks (16 strings each, block id = id/16+1) for the given strings; ids absent
// from a block are empty strings. Raises EPeError for a string over 65535 characters.
std::vector<Resource> StringTableResources(const std::map<std::uint16_t, std::u16string>& strings,
                                           std::uint16_t language = 0);

// The non-empty strings of every RT_STRING block; where several languages hold the same
// id, the first block in the list wins. Raises EPeError for a block that is not numbered
// 1..4096 or whose data does not hold 16 strings.
std::map<std::uint16_t, std::u16string> ReadStringTable(const std::vector<Resource>& resources);

// An .ico file as one RT_GROUP_ICON named group plus one RT_ICON per image, numbered from
// firstIconId. Raises EPeError naming what is wrong when the bytes are not an icon file.
std::vector<Resource> IconGroupResources(const ResourceId& group, const std::string& icoFile, std::uint16_t firstIconId,
                                         std::uint16_t language = 0);

// A .bmp file as RT_BITMAP data (the file without its 14-byte file header); raises EPeError
// when not a BMP.
std::string BitmapResourceData(const std::string& bmpFile);

}  // namespace stp::pe
