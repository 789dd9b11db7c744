// A picture: a bitmap drawn at the top-left, or centred, optionally transparent. It is
// drawn at the control's resolution: a picture made for another one (a 2x side picture
// is made for 192 DPI) is scaled with filtering, keeping its transparent colour.
#pragma once

#include "ui/Bitmap.h"
#include "ui/Control.h"

namespace stp {

class TImage : public TControl {
public:
    TImage(TWinContainer* Parent, const ComponentLayout& Layout);

    const TBitmap& Picture() const noexcept { return picture_; }
    // PictureDpi: the resolution the picture is drawn 1:1 at.
    void SetPicture(TBitmap Picture, int PictureDpi = 96);
    int PictureDpi() const noexcept { return pictureDpi_; }
    bool Center() const noexcept { return center_; }
    bool Transparent() const noexcept { return transparent_; }
    // The size the picture is drawn at.
    SIZE DrawnSize() const;

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TImage"); }
    void FontChanged() override { Invalidate(); }
    void Paint(HDC Dc) override;

private:
    // The picture at the drawn size, made at the first paint that needs it.
    const TBitmap& ScaledPicture(SIZE Size);

    TBitmap picture_;
    int pictureDpi_ = 96;
    TBitmap scaled_;
    BitmapHandle scaledMask_;
    bool center_;
    bool transparent_;
};

}  // namespace stp
