// Karvel: a small drawing window. Its class name comes from the product configuration,
// so that the installer's running-program guard can recognise it; its title is
// "Karvel", or the Chinese title when it is started with any option. It is drawn at the
// display's resolution (its manifest says so): window and pen sized for it.
#include <windows.h>
#include <windowsx.h>

#include "KarvelConfig.h"

#include <memory>
#include <type_traits>

namespace {

// The window's resolution; Windows before 10 have one for the whole screen.
int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get && window) return static_cast<int>(get(window));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

struct GdiDeleter {
    void operator()(void* object) const noexcept { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
using Pen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiDeleter>;

struct DcDeleter {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// The drawing lives in a memory bitmap, so that repainting the window keeps it.
struct Canvas {
    MemoryDc dc;
    Bitmap bitmap;
    HGDIOBJ oldBitmap = nullptr;
    Pen pen;
    POINT last{};
    bool drawing = false;
    int width = 0;
    int height = 0;

    ~Canvas() {
        if (dc && oldBitmap) SelectObject(dc.get(), oldBitmap);
    }

    void Make(HWND window) {
        width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        HDC screen = GetDC(window);
        dc.reset(CreateCompatibleDC(screen));
        bitmap.reset(CreateCompatibleBitmap(screen, width, height));
        ReleaseDC(window, screen);
        oldBitmap = SelectObject(dc.get(), bitmap.get());
        SetPen(WindowDpi(window));
        Clear();
    }

    // A line 3 pixels wide at 96 DPI.
    void SetPen(int dpi) {
        Pen wider(CreatePen(PS_SOLID, MulDiv(3, dpi, 96), RGB(29, 78, 137)));
        SelectObject(dc.get(), wider.get());
        pen = std::move(wider);
    }

    void Clear() {
        RECT r{0, 0, width, height};
        FillRect(dc.get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
};

Canvas canvas;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: canvas.Make(window); return 0;
    case WM_LBUTTONDOWN:
        canvas.drawing = true;
        canvas.last = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SetCapture(window);
        return 0;
    case WM_MOUSEMOVE:
        if (canvas.drawing) {
            const POINT to{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MoveToEx(canvas.dc.get(), canvas.last.x, canvas.last.y, nullptr);
            LineTo(canvas.dc.get(), to.x, to.y);
            canvas.last = to;
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        canvas.drawing = false;
        ReleaseCapture();
        return 0;
    case WM_RBUTTONUP:
        canvas.Clear();
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        const RECT& r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, canvas.dc.get(), r.left, r.top, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    }
    case 0x02E0: {  // WM_DPICHANGED: moved to a monitor of another resolution
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        canvas.SetPen(HIWORD(wParam));
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
    const bool chinese = commandLine && commandLine[0] != L'\0';
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    wc.lpszClassName = KARVEL_WINDOW_CLASS;
    if (!RegisterClassExW(&wc)) return 1;
    HWND window =
        CreateWindowExW(0, KARVEL_WINDOW_CLASS, chinese ? KARVEL_TITLE_CHINESE : KARVEL_TITLE_ENGLISH,
                        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, MulDiv(480, WindowDpi(nullptr), 96),
                        MulDiv(360, WindowDpi(nullptr), 96), nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
