// A 24-bit device-independent bitmap owned by the object.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "picture/Resample.h"
#include "ui/Handles.h"

namespace stp {

class TBitmap {
public:
    TBitmap() = default;
    // Takes ownership of Bitmap.
    explicit TBitmap(HBITMAP Bitmap);
    // A top-down bitmap from rows of blue, green, red bytes without padding.
    static TBitmap FromBgr(int Width, int Height, const std::vector<std::uint8_t>& Pixels);

    bool Empty() const noexcept { return !bitmap_; }
    HBITMAP Handle() const noexcept { return bitmap_.get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // An independent copy with its own bitmap.
    TBitmap Copy() const;
    // The colour of one pixel; (0, Height - 1) is the bottom-left.
    COLORREF Pixel(int X, int Y) const;
    // The pixels; when Transparent, those of the bottom-left pixel's colour transparent.
    picture::Pixels ToPixels(bool Transparent) const;
    // A bitmap of Picture's colours (transparent pixels black).
    static TBitmap FromPixels(const picture::Pixels& Picture);

private:
    BitmapHandle bitmap_;
    int width_ = 0;
    int height_ = 0;
};

// Draws Bitmap at X, Y; when Transparent, pixels of the bitmap's bottom-left colour
// leave the destination unchanged.
void DrawBitmap(HDC Dc, int X, int Y, const TBitmap& Bitmap, bool Transparent);
// A monochrome mask of Picture: white where it is transparent.
BitmapHandle TransparencyMask(const picture::Pixels& Picture);
// Draws Bitmap at X, Y where Mask is black, leaving the destination where it is white.
void DrawMaskedBitmap(HDC Dc, int X, int Y, const TBitmap& Bitmap, HBITMAP Mask);

}  // namespace stp
