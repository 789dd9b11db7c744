#include "ui/Image.h"

namespace stp {

TImage::TImage(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), center_(Layout.Center), transparent_(Layout.Transparent) {}

void TImage::SetPicture(TBitmap Picture, int PictureDpi) {
    picture_ = std::move(Picture);
    pictureDpi_ = PictureDpi > 0 ? PictureDpi : 96;
    scaled_ = TBitmap();
    scaledMask_.reset();
    Invalidate();
}

SIZE TImage::DrawnSize() const {
    if (picture_.Empty()) return {0, 0};
    return {MulDiv(picture_.Width(), PixelsPerInch(), pictureDpi_),
            MulDiv(picture_.Height(), PixelsPerInch(), pictureDpi_)};
}

const TBitmap& TImage::ScaledPicture(SIZE Size) {
    if (scaled_.Empty() || scaled_.Width() != Size.cx || scaled_.Height() != Size.cy) {
        picture::Pixels pixels = picture::Resample(picture_.ToPixels(transparent_), Size.cx, Size.cy);
        if (transparent_) {
            // The transparent colour stays a yes-or-no rule: edge pixels are either the
            // picture's own colour or not drawn.
            picture::Binarise(pixels);
            scaledMask_ = TransparencyMask(pixels);
        }
        scaled_ = TBitmap::FromPixels(pixels);
    }
    return scaled_;
}

void TImage::Paint(HDC Dc) {
    if (picture_.Empty()) return;
    const SIZE size = DrawnSize();
    if (size.cx <= 0 || size.cy <= 0) return;
    int x = 0;
    int y = 0;
    if (center_) {
        x = (Width() - size.cx) / 2;
        y = (Height() - size.cy) / 2;
    }
    if (size.cx == picture_.Width() && size.cy == picture_.Height()) {
        DrawBitmap(Dc, x, y, picture_, transparent_);
        return;
    }
    const TBitmap& scaled = ScaledPicture(size);
    if (transparent_)
        DrawMaskedBitmap(Dc, x, y, scaled, scaledMask_.get());
    else
        DrawBitmap(Dc, x, y, scaled, false);
}

}  // namespace stp
