#include "ui/Bevel.h"

#include <algorithm>

namespace stp {

void TBevel::Paint(HDC Dc) {
    RECT r;
    GetClientRect(Handle(), &r);
    // Two lines a pixel each at 96 DPI, as thick as the scale makes them.
    const int line = std::max(1, Scaled(1));
    RECT shadow{r.left, 0, r.right, line};
    RECT light{r.left, line, r.right, 2 * line};
    FillRect(Dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(Dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

}  // namespace stp
