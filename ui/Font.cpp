#include "ui/Font.h"

#include <map>
#include <stdexcept>
#include <tuple>

#include "ui/Wide.h"

namespace stp {

int ScreenPixelsPerInch() {
    ScreenDc dc;
    return GetDeviceCaps(dc.Get(), LOGPIXELSY);
}

TFont::TFont(const FontLayout& layout)
    : name_(layout.Name), height_(layout.Height), bold_(layout.Bold), charset_(layout.Charset), color_(layout.Color) {}

TFont::TFont(const TFont& other)
    : name_(other.name_), height_(other.height_), bold_(other.bold_), charset_(other.charset_), color_(other.color_),
      ppi_(other.ppi_) {}

TFont& TFont::operator=(const TFont& other) {
    if (this != &other) {
        name_ = other.name_;
        height_ = other.height_;
        bold_ = other.bold_;
        charset_ = other.charset_;
        color_ = other.color_;
        ppi_ = other.ppi_;
        handle_.reset();
    }
    return *this;
}

int TFont::Size() const { return -MulDiv(height_, 72, ppi_); }

void TFont::ChangeScale(int Dpi) {
    if (Dpi == ppi_) return;
    height_ = MulDiv(height_, Dpi, ppi_);
    ppi_ = Dpi;
    handle_.reset();
}

void TFont::SetName(const std::u16string& name) {
    name_ = name;
    handle_.reset();
}

void TFont::SetHeight(int height) {
    height_ = height;
    handle_.reset();
}

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ppi_, 72)); }

void TFont::SetBold(bool bold) {
    bold_ = bold;
    handle_.reset();
}

namespace {

using SharedFont = std::shared_ptr<std::remove_pointer_t<HFONT>>;
using FontKey = std::tuple<std::u16string, int, bool, int>;

// The GDI fonts in use, by what makes them; an entry lapses with its last user.
std::map<FontKey, std::weak_ptr<std::remove_pointer_t<HFONT>>>& FontCache() {
    static std::map<FontKey, std::weak_ptr<std::remove_pointer_t<HFONT>>> cache;
    return cache;
}

}  // namespace

HFONT TFont::Handle() const {
    if (handle_) return handle_.get();
    const FontKey key{name_, height_, bold_, charset_};
    auto& cache = FontCache();
    if (auto it = cache.find(key); it != cache.end()) {
        if ((handle_ = it->second.lock())) return handle_.get();
    }
    {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = static_cast<BYTE>(charset_);
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        const std::wstring face = ToWide(name_);
        face.copy(lf.lfFaceName, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectW(&lf);
        if (!font) throw std::runtime_error("A font cannot be created.");
        handle_ = SharedFont(font, [](HFONT f) { DeleteObject(f); });
    }
    cache[key] = handle_;
    return handle_.get();
}

}  // namespace stp
