#include "ui/Bevel.h"

namespace stp {

void TBevel::Paint(HDC Dc) {
    RECT r;
    GetClientRect(Handle(), &r);
    RECT shadow{r.left, 0, r.right, 1};
    RECT light{r.left, 1, r.right, 2};
    FillRect(Dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(Dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

}  // namespace stp
