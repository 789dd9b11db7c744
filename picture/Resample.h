// Pictures scaled with filtering, without Windows: the component layer draws the side
// pictures and the header icon through it at display scales other than 100 %.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace stp::picture {

// Rows of blue, green, red and alpha bytes, top row first, the colours premultiplied by
// alpha (a transparent pixel is all zero).
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bgra;
};

// Rows of blue, green, red bytes without padding as Pixels: opaque, or transparent where
// a pixel has the colour Key (blue, green, red as one number 0xRRGGBB).
Pixels FromBgr(int Width, int Height, const std::vector<std::uint8_t>& Bgr, std::optional<std::uint32_t> Key);

// Source at Width by Height. Each pixel weighs the source pixels under it with a
// triangle as wide as a source pixel when enlarging (bilinear) and as wide as the
// pixel's footprint when reducing (so every source pixel counts). Raises
// std::invalid_argument for an empty source or size.
Pixels Resample(const Pixels& Source, int Width, int Height);

// Pixels of at least half coverage made opaque, in their own colour (no longer
// premultiplied); the others transparent. What a colour-keyed picture can show.
void Binarise(Pixels& Picture);

}  // namespace stp::picture
