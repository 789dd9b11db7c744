#include "ui/GroupBox.h"

#include "ui/Wide.h"

namespace stp {

void TGroupBox::Paint(HDC Dc) {
    const std::wstring text = ToWide(Text());
    RECT r;
    GetClientRect(Handle(), &r);
    SelectedObject font(Dc, Font().Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(Dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(Dc, &frame, EDGE_ETCHED, BF_RECT);
    if (text.empty()) return;
    const int inset = Scaled(8);
    RECT caption{inset, 0, r.right - inset, tm.tmHeight};
    DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_NOPREFIX | DT_SINGLELINE | DT_CALCRECT);
    // A gap of one space either side of the caption in the frame line.
    const int gap = Scaled(2);
    RECT back{caption.left - gap, 0, caption.right + gap, tm.tmHeight};
    FillRect(Dc, &back, BackgroundBrush());
    SetBkMode(Dc, TRANSPARENT);
    SetTextColor(Dc, ColorToRGB(Enabled() ? Font().Color() : clGrayText));
    DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_NOPREFIX | DT_SINGLELINE);
}

}  // namespace stp
