// JPEG pictures decoded with libjpeg into 24-bit bitmaps.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/Bitmap.h"

namespace stp {

// Raises when Data is not a picture libjpeg can decode.
TBitmap DecodeJpeg(const std::vector<std::uint8_t>& Data);

}  // namespace stp
