// Owners for the GDI objects, atoms and COM apartment the forms acquire; each is
// released when its owner goes out of scope, also when an exception passes.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace stp {

struct GdiObjectDeleter {
    void operator()(void* object) const noexcept { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
template <class H>
using GdiObject = std::unique_ptr<std::remove_pointer_t<H>, GdiObjectDeleter>;
using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using BitmapHandle = GdiObject<HBITMAP>;

struct IconDestroyer {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
// A memory device context made with CreateCompatibleDC.
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The screen's device context for the scope of a measurement.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A global atom holding a text; another process reads it with GlobalGetAtomNameW.
class GlobalAtom {
public:
    GlobalAtom() = default;
    explicit GlobalAtom(const std::wstring& text) : atom_(GlobalAddAtomW(text.c_str())) {}
    ~GlobalAtom() { Reset(); }
    GlobalAtom(GlobalAtom&& other) noexcept : atom_(std::exchange(other.atom_, 0)) {}
    GlobalAtom& operator=(GlobalAtom&& other) noexcept {
        if (this != &other) {
            Reset();
            atom_ = std::exchange(other.atom_, 0);
        }
        return *this;
    }
    ATOM Get() const noexcept { return atom_; }
    void Reset() noexcept {
        if (atom_) GlobalDeleteAtom(std::exchange(atom_, 0));
    }

private:
    ATOM atom_ = 0;
};

// COM on this thread as a single-threaded apartment, for as long as the object lives.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_ = false;
};

}  // namespace stp
