// The passive install's only window: a small frame with the product's caption, a line
// of text and a progress bar, no buttons and no questions. It cannot be closed by the
// user; it goes when its owner ends it.
#pragma once

#include <windows.h>

#include <string>

namespace stp {

class TProgressWindow {
public:
    // Shows the window at once, centred on the primary monitor's work area.
    TProgressWindow(const std::u16string& Caption, const std::u16string& Text);
    ~TProgressWindow();
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    // Sets the bar (0 to 100). The owner handles the window's messages meanwhile
    // (RunAnswering).
    void SetPercent(int Percent);

private:
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace stp
