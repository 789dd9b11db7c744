// A control's font: face, height in pixels (negative: character height) at the
// resolution it is drawn at, weight, character set and colour, with the GDI font made
// from it on demand. A stored layout's fonts are given at 96 DPI.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "ui/Handles.h"
#include "ui/Layout.h"

namespace stp {

class TFont {
public:
    TFont() = default;
    explicit TFont(const FontLayout& layout);

    const std::u16string& Name() const noexcept { return name_; }
    int Height() const noexcept { return height_; }
    bool Bold() const noexcept { return bold_; }
    int Charset() const noexcept { return charset_; }
    TColor Color() const noexcept { return color_; }
    // Size in points at the font's resolution.
    int Size() const;
    int PixelsPerInch() const noexcept { return ppi_; }
    // The same font at Dpi: the height scaled from the font's resolution.
    void ChangeScale(int Dpi);

    void SetName(const std::u16string& name);
    void SetHeight(int height);
    void SetSize(int points);
    void SetBold(bool bold);
    void SetColor(TColor color) { color_ = color; }

    // The GDI font, made at first use after a change. Fonts alike share one GDI font,
    // which goes with the last of them: a form's many controls cost one or two.
    HFONT Handle() const;

    TFont(const TFont& other);
    TFont& operator=(const TFont& other);
    TFont(TFont&&) noexcept = default;
    TFont& operator=(TFont&&) noexcept = default;

private:
    std::u16string name_ = u"Tahoma";
    int height_ = -11;
    bool bold_ = false;
    int charset_ = DEFAULT_CHARSET;
    TColor color_ = clWindowText;
    int ppi_ = 96;
    mutable std::shared_ptr<std::remove_pointer_t<HFONT>> handle_;
};

// Pixels per logical inch of the screen, vertically.
int ScreenPixelsPerInch();

}  // namespace stp
