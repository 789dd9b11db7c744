// The display resolution a window is drawn at. The per-monitor functions exist from
// Windows 10 on; they are looked up at run time, so that older versions start too and
// fall back to the system's resolution.
#pragma once

#include <windows.h>

namespace stp {

// The resolution every stored layout is given in.
constexpr int kDesignDpi = 96;

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// The resolution new top-level windows get on the primary monitor.
int SystemDpi();
// The resolution Window is drawn at: its monitor's, or the system's.
int WindowDpi(HWND Window);
// The frame a window of Style and ExStyle has around its client area at Dpi: how far
// each edge of the outer rectangle lies beyond the client area's (left and top negative).
RECT FrameForDpi(DWORD Style, DWORD ExStyle, int Dpi);

// Value, given at 96 DPI, at Dpi.
inline int ScaleToDpi(int Value, int Dpi) { return MulDiv(Value, Dpi, kDesignDpi); }

}  // namespace stp
