// Waits on its own thread for a visible dialog (class "#32770") of the thread that made
// it, such as a message box or the folder picker, and drives it with Act once the dialog
// runs its message loop. Joined when it ends; a dialog Act left open is closed then.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace stp::test {

class DialogWatcher {
public:
    explicit DialogWatcher(std::function<void(HWND)> Act);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // True once a dialog was found and acted on.
    bool Acted() const { return acted_; }

private:
    void Run(DWORD ownerThread);
    void CloseIfStillOpen(HWND dialog);

    std::function<void(HWND)> act_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> acted_{false};
    std::thread thread_;
};

// Polls Probe every 20 ms until it holds or Timeout passes; the last answer.
bool WaitUntil(const std::function<bool()>& Probe, DWORD TimeoutMs = 10000);

// The text of a window.
std::wstring WindowText(HWND window);

// The first child window, at any depth, whose text is Text; null when there is none.
HWND FindChildWithText(HWND parent, const std::wstring& text);

}  // namespace stp::test
