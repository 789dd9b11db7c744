#include "ui/Bitmap.h"

#include <cstring>
#include <optional>
#include <stdexcept>

namespace stp {

namespace {

BITMAPINFO Info24(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

TBitmap::TBitmap(HBITMAP Bitmap) : bitmap_(Bitmap) {
    BITMAP bm{};
    if (!Bitmap || !GetObjectW(Bitmap, sizeof bm, &bm)) throw std::runtime_error("Invalid bitmap.");
    width_ = bm.bmWidth;
    height_ = bm.bmHeight;
}

TBitmap TBitmap::FromBgr(int Width, int Height, const std::vector<std::uint8_t>& Pixels) {
    if (Width <= 0 || Height <= 0 || Pixels.size() != std::size_t(Width) * Height * 3)
        throw std::runtime_error("Invalid bitmap size.");
    BITMAPINFO info = Info24(Width, Height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) throw std::runtime_error("A bitmap cannot be created.");
    TBitmap result(bitmap);
    const std::size_t row = std::size_t(Width) * 3;
    const std::size_t stride = (row + 3) & ~std::size_t(3);
    auto* out = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < Height; ++y) std::memcpy(out + y * stride, Pixels.data() + y * row, row);
    GdiFlush();
    return result;
}

TBitmap TBitmap::Copy() const {
    if (!bitmap_) return TBitmap();
    auto copy = static_cast<HBITMAP>(CopyImage(bitmap_.get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!copy) throw std::runtime_error("A bitmap cannot be copied.");
    return TBitmap(copy);
}

COLORREF TBitmap::Pixel(int X, int Y) const {
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectedObject selected(dc.get(), bitmap_.get());
    return GetPixel(dc.get(), X, Y);
}

picture::Pixels TBitmap::ToPixels(bool Transparent) const {
    if (!bitmap_) throw std::runtime_error("An empty bitmap has no pixels.");
    BITMAPINFO info = Info24(width_, height_);
    const std::size_t row = std::size_t(width_) * 3;
    const std::size_t stride = (row + 3) & ~std::size_t(3);
    std::vector<std::uint8_t> padded(stride * std::size_t(height_));
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.get(), bitmap_.get(), 0, static_cast<UINT>(height_), padded.data(), &info, DIB_RGB_COLORS) !=
        height_)
        throw std::runtime_error("A bitmap's pixels cannot be read.");
    std::vector<std::uint8_t> bgr(row * std::size_t(height_));
    for (int y = 0; y < height_; ++y) std::memcpy(&bgr[y * row], &padded[y * stride], row);
    std::optional<std::uint32_t> key;
    if (Transparent) {
        const std::uint8_t* corner = &bgr[std::size_t(height_ - 1) * row];
        key = std::uint32_t(corner[2]) << 16 | std::uint32_t(corner[1]) << 8 | corner[0];
    }
    return picture::FromBgr(width_, height_, bgr, key);
}

TBitmap TBitmap::FromPixels(const picture::Pixels& Picture) {
    std::vector<std::uint8_t> bgr(std::size_t(Picture.Width) * std::size_t(Picture.Height) * 3);
    for (std::size_t i = 0, n = bgr.size() / 3; i < n; ++i) std::memcpy(&bgr[i * 3], &Picture.Bgra[i * 4], 3);
    return FromBgr(Picture.Width, Picture.Height, bgr);
}

BitmapHandle TransparencyMask(const picture::Pixels& Picture) {
    // Monochrome rows are padded to 16 bits; a set bit is white.
    const std::size_t stride = ((std::size_t(Picture.Width) + 15) / 16) * 2;
    std::vector<std::uint8_t> bits(stride * std::size_t(Picture.Height), 0);
    for (int y = 0; y < Picture.Height; ++y)
        for (int x = 0; x < Picture.Width; ++x)
            if (Picture.Bgra[(std::size_t(y) * Picture.Width + x) * 4 + 3] == 0)
                bits[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    BitmapHandle mask(CreateBitmap(Picture.Width, Picture.Height, 1, 1, bits.data()));
    if (!mask) throw std::runtime_error("A bitmap cannot be created.");
    return mask;
}

void DrawBitmap(HDC Dc, int X, int Y, const TBitmap& Bitmap, bool Transparent) {
    if (Bitmap.Empty()) return;
    const int w = Bitmap.Width();
    const int h = Bitmap.Height();
    BitmapHandle mask;
    {
        MemoryDc source(CreateCompatibleDC(Dc));
        SelectedObject sourceBitmap(source.get(), Bitmap.Handle());
        if (!Transparent) {
            BitBlt(Dc, X, Y, w, h, source.get(), 0, 0, SRCCOPY);
            return;
        }
        // A monochrome mask, white where the transparent colour is: the destination is
        // cut out where the picture is opaque, then the picture, with black in its
        // transparent pixels, is painted in. Plain GDI, so no extra library is loaded.
        const COLORREF key = GetPixel(source.get(), 0, h - 1);
        mask.reset(CreateBitmap(w, h, 1, 1, nullptr));
        MemoryDc maskDc(CreateCompatibleDC(Dc));
        SelectedObject maskBitmap(maskDc.get(), mask.get());
        SetBkColor(source.get(), key);
        BitBlt(maskDc.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
    }
    // The bitmap is selected into one device context at a time: the one above is gone.
    DrawMaskedBitmap(Dc, X, Y, Bitmap, mask.get());
}

void DrawMaskedBitmap(HDC Dc, int X, int Y, const TBitmap& Bitmap, HBITMAP Mask) {
    if (Bitmap.Empty()) return;
    const int w = Bitmap.Width();
    const int h = Bitmap.Height();
    MemoryDc source(CreateCompatibleDC(Dc));
    SelectedObject sourceBitmap(source.get(), Bitmap.Handle());
    MemoryDc maskDc(CreateCompatibleDC(Dc));
    SelectedObject maskBitmap(maskDc.get(), Mask);

    BitmapHandle picture(CreateCompatibleBitmap(Dc, w, h));
    MemoryDc pictureDc(CreateCompatibleDC(Dc));
    SelectedObject pictureBitmap(pictureDc.get(), picture.get());
    BitBlt(pictureDc.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
    SetBkColor(pictureDc.get(), RGB(0, 0, 0));
    SetTextColor(pictureDc.get(), RGB(255, 255, 255));
    // The mask's white becomes black here and its black white: transparent pixels go black.
    BitBlt(pictureDc.get(), 0, 0, w, h, maskDc.get(), 0, 0, SRCAND);

    const COLORREF oldBk = SetBkColor(Dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(Dc, RGB(0, 0, 0));
    BitBlt(Dc, X, Y, w, h, maskDc.get(), 0, 0, SRCAND);
    SetBkColor(Dc, oldBk);
    SetTextColor(Dc, oldText);
    BitBlt(Dc, X, Y, w, h, pictureDc.get(), 0, 0, SRCPAINT);
}

}  // namespace stp
