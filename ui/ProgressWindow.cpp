#include "ui/ProgressWindow.h"

#include <commctrl.h>

#include "ui/Dpi.h"
#include "ui/Wide.h"

namespace stp {

namespace {

constexpr wchar_t kClassName[] = L"StpProgressWindow";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_BORDER;

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Alt+F4 and the task bar's close go nowhere: the install ends the window itself.
    if (message == WM_CLOSE) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterOnce() {
    static const bool registered = [] {
        WNDCLASSEXW type{sizeof type};
        type.lpfnWndProc = ProgressProc;
        type.hInstance = GetModuleHandleW(nullptr);
        type.hCursor = LoadCursorW(nullptr, IDC_WAIT);
        type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        type.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"AppIcon");
        type.lpszClassName = kClassName;
        return RegisterClassExW(&type) != 0;
    }();
    (void)registered;
}

HFONT MessageFont(int dpi) {
    NONCLIENTMETRICSW metrics{sizeof metrics};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    // The system's metrics are at its own resolution; the window's may differ.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

TProgressWindow::TProgressWindow(const std::u16string& Caption, const std::u16string& Text) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RegisterOnce();
    const int dpi = SystemDpi();
    const RECT frame = FrameForDpi(kStyle, WS_EX_DLGMODALFRAME, dpi);
    const int width = ScaleToDpi(380, dpi) + frame.right - frame.left;
    const int height = ScaleToDpi(84, dpi) + frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HINSTANCE module = GetModuleHandleW(nullptr);
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, ToWide(Caption).c_str(), kStyle,
                              work.left + (work.right - work.left - width) / 2,
                              work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr, module,
                              nullptr);
    if (!window_) return;
    font_ = MessageFont(dpi);
    HWND label = CreateWindowExW(0, L"STATIC", ToWide(Text).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_ENDELLIPSIS,
                                 ScaleToDpi(16, dpi), ScaleToDpi(14, dpi), ScaleToDpi(348, dpi), ScaleToDpi(20, dpi),
                                 window_, nullptr, module, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, ScaleToDpi(16, dpi), ScaleToDpi(44, dpi),
                           ScaleToDpi(348, dpi), ScaleToDpi(20, dpi), window_, nullptr, module, nullptr);
    SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

TProgressWindow::~TProgressWindow() {
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
}

void TProgressWindow::SetPercent(int Percent) {
    if (bar_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(Percent), 0);
}

}  // namespace stp
