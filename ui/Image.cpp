#include "ui/Image.h"

namespace stp {

TImage::TImage(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), center_(Layout.Center), transparent_(Layout.Transparent) {}

void TImage::SetPicture(TBitmap Picture) {
    picture_ = std::move(Picture);
    Invalidate();
}

void TImage::Paint(HDC Dc) {
    if (picture_.Empty()) return;
    int x = 0;
    int y = 0;
    if (center_) {
        x = (Width() - picture_.Width()) / 2;
        y = (Height() - picture_.Height()) / 2;
    }
    DrawBitmap(Dc, x, y, picture_, transparent_);
}

}  // namespace stp
