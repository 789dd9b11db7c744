#include "ui/Memo.h"

namespace stp {

TMemo::TMemo(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), readOnly_(Layout.ReadOnly), verticalScrollBar_(Layout.VerticalScrollBar) {
    if (!Layout.Color) SetColor(clWindow);
}

DWORD TMemo::WindowStyle() const {
    DWORD style = TControl::WindowStyle() | ES_MULTILINE | ES_AUTOVSCROLL | ES_LEFT | WS_TABSTOP;
    if (readOnly_) style |= ES_READONLY;
    if (verticalScrollBar_) style |= WS_VSCROLL;
    return style;
}

// The edit control separates lines by CR LF.
std::vector<std::u16string> TMemo::Lines() const {
    std::vector<std::u16string> lines;
    const std::u16string text = Text();
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(u"\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::u16string::npos) break;
        start = end + 2;
    }
    // A final CR LF ends the last line rather than starting an empty one.
    if (text.ends_with(u"\r\n")) lines.pop_back();
    return lines;
}

void TMemo::AddLine(const std::u16string& Line) {
    std::u16string text = Text();
    text += Line;
    text += u"\r\n";
    SetText(text);
}

void TMemo::AddLines(const std::vector<std::u16string>& Lines) {
    std::u16string text = Text();
    for (const std::u16string& line : Lines) {
        text += line;
        text += u"\r\n";
    }
    SetText(text);
}

void TMemo::ClearLines() { SetText(std::u16string()); }

// A read-only memo keeps its own colour instead of the grey of a disabled field.
HBRUSH TMemo::ControlColor(HDC Dc) {
    SetTextColor(Dc, ColorToRGB(Font().Color()));
    SetBkColor(Dc, ColorToRGB(Color()));
    return BackgroundBrush();
}

}  // namespace stp
