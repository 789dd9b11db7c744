#include "ui/Dpi.h"

#include "ui/Font.h"

namespace stp {

namespace {

template <class F>
F User32Function(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int SystemDpi() {
    static const auto get = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    const int dpi = get ? static_cast<int>(get()) : ScreenPixelsPerInch();
    return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND Window) {
    static const auto get = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const int dpi = get && Window ? static_cast<int>(get(Window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

RECT FrameForDpi(DWORD Style, DWORD ExStyle, int Dpi) {
    static const auto adjust = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, 0, 0};
    if (adjust && adjust(&r, Style, FALSE, ExStyle, static_cast<UINT>(Dpi))) return r;
    // Without it the frame is known at the system's resolution only: scaled from there.
    RECT system{0, 0, 0, 0};
    AdjustWindowRectEx(&system, Style, FALSE, ExStyle);
    const int from = SystemDpi();
    return {MulDiv(system.left, Dpi, from), MulDiv(system.top, Dpi, from), MulDiv(system.right, Dpi, from),
            MulDiv(system.bottom, Dpi, from)};
}

}  // namespace stp
