// Drives a running program's forms from another process: finds its windows by title,
// its controls by their "ComponentName" property, reads and sets texts, clicks buttons,
// and reads and answers message boxes. Used by the uidriver tool and by the tests.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace stp::uidriver {

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ControlInfo {
    HWND Handle = nullptr;
    std::u16string Name;       // component name
    std::u16string ClassName;  // window class
    bool Visible = false;      // the control's own visibility
    bool Showing = false;      // visible together with all its parents
    bool Enabled = false;
    std::u16string Text;
};

struct MessageBoxInfo {
    HWND Handle = nullptr;
    std::u16string Title;
    std::u16string Text;
    std::vector<std::u16string> Buttons;
};

// The top-level window titled exactly Title, once its program handles messages; waits up
// to TimeoutMs for it to appear. Null when none appears; raises DriverError when it
// appears but its program does not answer in time.
HWND FindTopWindow(const std::u16string& Title, DWORD TimeoutMs = 0);

// True when a top-level window titled Title exists after at most TimeoutMs of waiting
// for it to go; waits while it does.
bool WaitWindowGone(const std::u16string& Title, DWORD TimeoutMs);

// The component name stored on Window, or empty.
std::u16string ComponentName(HWND Window);

// The window's text, asked for across processes; raises when the owner hangs.
std::u16string WindowText(HWND Window);

// Every named control inside Top, in window order.
std::vector<ControlInfo> ListControls(HWND Top);
// The control Name inside Top; raises DriverError when there is none.
ControlInfo FindControl(HWND Top, const std::u16string& Name);

// Clicks a button or check box as the user would; raises when it is hidden or disabled.
// Returns at once: the click is handled by the program in its own time.
void Click(const ControlInfo& Control);

// Returns once the program has handled every message posted to Button before this call,
// a click among them; raises when that takes longer than TimeoutMs. A marker posted
// behind them (the button's pushed look, put back at once) shows when the queue is past them.
void AwaitPostedMessages(const ControlInfo& Button, DWORD TimeoutMs);

// Replaces the text of an edit field (its change event runs).
void SetText(const ControlInfo& Control, const std::u16string& Text);

// A visible message box, of the process ProcessId when it is not 0, titled Title when
// that is not empty; waits up to TimeoutMs.
std::optional<MessageBoxInfo> FindMessageBox(DWORD ProcessId, const std::u16string& Title, DWORD TimeoutMs);

// Presses the message box's button captioned Caption (ignoring "&"), or its first button
// when Caption is empty; raises when it has no such button.
void PressButton(const MessageBoxInfo& Box, const std::u16string& Caption);

// Window's outer rectangle on the screen.
RECT WindowRect(HWND Window);

}  // namespace stp::uidriver
