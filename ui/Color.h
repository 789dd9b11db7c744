// Colours as the layouts store them: a plain RGB value, or a system colour that is
// resolved each time it is painted, so a theme change is followed.
#pragma once

#include <windows.h>

#include <cstdint>

namespace stp {

using TColor = std::uint32_t;

constexpr TColor kSystemColorFlag = 0x80000000u;
constexpr TColor clBtnFace = kSystemColorFlag | COLOR_BTNFACE;
constexpr TColor clWindow = kSystemColorFlag | COLOR_WINDOW;
constexpr TColor clWindowText = kSystemColorFlag | COLOR_WINDOWTEXT;
constexpr TColor clBtnShadow = kSystemColorFlag | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = kSystemColorFlag | COLOR_BTNHIGHLIGHT;
constexpr TColor clGrayText = kSystemColorFlag | COLOR_GRAYTEXT;
constexpr TColor clWhite = 0x00FFFFFFu;
constexpr TColor clNavy = 0x00800000u;   // red 0, green 0, blue 128
constexpr TColor clGreen = 0x00008000u;  // red 0, green 128, blue 0

constexpr TColor RGBColor(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

inline COLORREF ColorToRGB(TColor color) {
    if (color & kSystemColorFlag) return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

}  // namespace stp
