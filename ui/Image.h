// A picture: a bitmap drawn at the top-left, or centred, optionally transparent.
#pragma once

#include "ui/Bitmap.h"
#include "ui/Control.h"

namespace stp {

class TImage : public TControl {
public:
    TImage(TWinContainer* Parent, const ComponentLayout& Layout);

    const TBitmap& Picture() const noexcept { return picture_; }
    void SetPicture(TBitmap Picture);
    bool Center() const noexcept { return center_; }
    bool Transparent() const noexcept { return transparent_; }

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TImage"); }
    void FontChanged() override {}
    void Paint(HDC Dc) override;

private:
    TBitmap picture_;
    bool center_;
    bool transparent_;
};

}  // namespace stp
