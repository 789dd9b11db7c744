#include "tests/support/DialogWatcher.h"

#include <chrono>

namespace stp::test {

namespace {

struct Search {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM search) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        reinterpret_cast<Search*>(search)->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindText(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<Search*>(search);
    if (WindowText(window) != s.text) return TRUE;
    s.found = window;
    return FALSE;
}

}  // namespace

DialogWatcher::DialogWatcher(std::function<void(HWND)> Act)
    : act_(std::move(Act)), thread_(&DialogWatcher::Run, this, GetCurrentThreadId()) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
}

void DialogWatcher::Run(DWORD ownerThread) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(60);
    while (!stop_ && steady_clock::now() < deadline) {
        Search search;
        EnumThreadWindows(ownerThread, &FindDialog, reinterpret_cast<LPARAM>(&search));
        // A sent message is answered only from a message loop: once it is, the dialog has
        // finished its set-up and waits for input.
        DWORD_PTR ignored = 0;
        if (search.found && SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored)) {
            act_(search.found);
            acted_ = true;
            CloseIfStillOpen(search.found);
            return;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
}

void DialogWatcher::CloseIfStillOpen(HWND dialog) {
    // A dialog the test failed to close would hold the test thread for good.
    if (WaitUntil([dialog] { return !IsWindow(dialog); })) return;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

bool WaitUntil(const std::function<bool()>& Probe, DWORD TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Probe()) {
        if (std::chrono::steady_clock::now() >= deadline) return Probe();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

HWND FindChildWithText(HWND parent, const std::wstring& text) {
    Search search{text};
    EnumChildWindows(parent, &FindText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace stp::test
