#include "tools/uidriver/Driver.h"

#include <algorithm>

#include "datatable/Text.h"

namespace stp::uidriver {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string Narrow16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::u16string ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return Narrow16(std::wstring(name, length > 0 ? length : 0));
}

std::u16string WithoutAmpersands(std::u16string s) {
    std::erase(s, u'&');
    return s;
}

// Polls Probe every PollMs until it gives a value or TimeoutMs has passed.
template <class Probe>
auto Poll(DWORD timeoutMs, Probe probe) -> decltype(probe()) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        auto result = probe();
        if (result || GetTickCount64() >= end) return result;
        Sleep(kPollMs);
    }
}

struct BoxSearch {
    DWORD processId;
    const std::u16string* title;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    if (!IsWindowVisible(window) || ClassOf(window) != u"#32770") return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (search->processId && pid != search->processId) return TRUE;
    if (!search->title->empty() && WindowText(window) != *search->title) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindTopWindow(const std::u16string& Title, DWORD TimeoutMs) {
    const std::wstring title = Wide(Title);
    const ULONGLONG start = GetTickCount64();
    HWND window = Poll(TimeoutMs, [&] { return FindWindowW(nullptr, title.c_str()); });
    if (!window) return nullptr;
    // A window has its title before its program has made all of it (a wizard shows its
    // first page, then makes the others). A sent message is answered only once the
    // program handles messages, the window whole: waited for as long as the window was.
    const ULONGLONG spent = GetTickCount64() - start;
    const UINT limit =
        static_cast<UINT>(std::max<ULONGLONG>(kSendTimeoutMs, TimeoutMs > spent ? TimeoutMs - spent : 0));
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, limit, nullptr) && IsWindow(window))
        throw DriverError("The window " + ToUtf8(Title) + " does not handle messages.");
    return window;
}

bool WaitWindowGone(const std::u16string& Title, DWORD TimeoutMs) {
    const std::wstring title = Wide(Title);
    return Poll(TimeoutMs, [&] { return FindWindowW(nullptr, title.c_str()) == nullptr; });
}

std::u16string ComponentName(HWND Window) {
    const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(Window, L"ComponentName")));
    if (!atom) return {};
    wchar_t name[256] = {};
    const UINT length = GlobalGetAtomNameW(atom, name, 256);
    return Narrow16(std::wstring(name, length));
}

std::u16string WindowText(HWND Window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(Window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        throw DriverError("The window does not answer.");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(Window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        throw DriverError("The window does not answer.");
    text.resize(std::min<std::size_t>(copied, length));
    return Narrow16(text);
}

std::vector<ControlInfo> ListControls(HWND Top) {
    std::vector<HWND> windows;
    EnumChildWindows(
        Top,
        [](HWND window, LPARAM param) {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    std::vector<ControlInfo> controls;
    for (HWND window : windows) {
        std::u16string name = ComponentName(window);
        if (name.empty()) continue;
        ControlInfo info;
        info.Handle = window;
        info.Name = std::move(name);
        info.ClassName = ClassOf(window);
        info.Visible = (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
        info.Showing = IsWindowVisible(window) != FALSE;
        info.Enabled = IsWindowEnabled(window) != FALSE;
        info.Text = WindowText(window);
        controls.push_back(std::move(info));
    }
    return controls;
}

ControlInfo FindControl(HWND Top, const std::u16string& Name) {
    for (ControlInfo& c : ListControls(Top))
        if (c.Name == Name) return c;
    throw DriverError("No control named " + ToUtf8(Name) + ".");
}

void Click(const ControlInfo& Control) {
    if (!IsWindowVisible(Control.Handle)) throw DriverError(ToUtf8(Control.Name) + " is not showing.");
    if (!IsWindowEnabled(Control.Handle)) throw DriverError(ToUtf8(Control.Name) + " is disabled.");
    // BM_CLICK toggles a check box and notifies the parent, like a mouse click; posted,
    // so that a message box the click opens does not hold up the driver.
    if (!PostMessageW(Control.Handle, BM_CLICK, 0, 0)) throw DriverError("The click cannot be sent.");
}

void AwaitPostedMessages(const ControlInfo& Button, DWORD TimeoutMs) {
    if (!PostMessageW(Button.Handle, BM_SETSTATE, TRUE, 0)) throw DriverError("The marker cannot be posted.");
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD_PTR state = 0;
        if (SendMessageTimeoutW(Button.Handle, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state) &&
            (state & BST_PUSHED)) {
            SendMessageTimeoutW(Button.Handle, BM_SETSTATE, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
            return;
        }
        if (GetTickCount() - start > TimeoutMs)
            throw DriverError(ToUtf8(Button.Name) + " did not handle its messages in time.");
        Sleep(20);
    }
}

void SetText(const ControlInfo& Control, const std::u16string& Text) {
    const std::wstring text = Wide(Text);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(Control.Handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &result))
        throw DriverError("The window does not answer.");
}

std::optional<MessageBoxInfo> FindMessageBox(DWORD ProcessId, const std::u16string& Title, DWORD TimeoutMs) {
    HWND box = Poll(TimeoutMs, [&] {
        BoxSearch search{ProcessId, &Title, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        return search.found;
    });
    if (!box) return std::nullopt;
    MessageBoxInfo info;
    info.Handle = box;
    info.Title = WindowText(box);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::u16string cls = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (cls == u"Button") {
            info.Buttons.push_back(WindowText(child));
        } else if (cls == u"Static" && (style & SS_TYPEMASK) != SS_ICON && info.Text.empty()) {
            info.Text = WindowText(child);
        }
    }
    return info;
}

void PressButton(const MessageBoxInfo& Box, const std::u16string& Caption) {
    for (HWND child = GetWindow(Box.Handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != u"Button") continue;
        if (!Caption.empty() && WithoutAmpersands(WindowText(child)) != WithoutAmpersands(Caption)) continue;
        PostMessageW(Box.Handle, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED),
                     reinterpret_cast<LPARAM>(child));
        return;
    }
    throw DriverError("The message box has no button " + ToUtf8(Caption) + ".");
}

RECT WindowRect(HWND Window) {
    RECT r{};
    GetWindowRect(Window, &r);
    return r;
}

}  // namespace stp::uidriver
