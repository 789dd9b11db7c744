#include "ui/Label.h"

#include "ui/Wide.h"

namespace stp {

TLabel::TLabel(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), wordWrap_(Layout.WordWrap), autoSize_(Layout.AutoSize),
      centerVertical_(Layout.CenterVertical) {}

// Texts are shown as written: an "&" in a product name is not an accelerator here.
UINT TLabel::DrawFlags() const { return DT_NOPREFIX | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0u); }

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::AdjustSize() {
    if (!autoSize_ || !Handle()) return;
    std::wstring text = ToWide(Text());
    if (text.empty()) text = L" ";
    // A memory device context measures as the screen does, without asking for a
    // window's visible region each time (costly under Wine, and done for every label).
    static const MemoryDc measure(CreateCompatibleDC(nullptr));
    SelectedObject font(measure.get(), Font().Handle());
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    DrawTextW(measure.get(), text.c_str(), static_cast<int>(text.size()), &r, DrawFlags() | DT_CALCRECT);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TLabel::Paint(HDC Dc) {
    const std::wstring text = ToWide(Text());
    RECT r;
    GetClientRect(Handle(), &r);
    SelectedObject font(Dc, Font().Handle());
    SetBkMode(Dc, TRANSPARENT);
    SetTextColor(Dc, ColorToRGB(Enabled() ? Font().Color() : clGrayText));
    if (centerVertical_) {
        RECT measure = r;
        DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &measure, DrawFlags() | DT_CALCRECT);
        const int offset = ((r.bottom - r.top) - (measure.bottom - measure.top)) / 2;
        if (offset > 0) r.top += offset;
    }
    DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags());
}

}  // namespace stp
