// uidriver: drives a running program's forms from shell scripts and tests.
//
//   uidriver list TITLE                    every named control: name, class, visible,
//                                          showing, enabled, text (tab-separated)
//   uidriver click TITLE NAME              clicks a button or check box
//   uidriver settext TITLE NAME TEXT       replaces an edit field's text
//   uidriver gettext TITLE NAME            prints a control's text
//   uidriver state TITLE NAME              prints "visible=1 showing=1 enabled=1"
//   uidriver wait TITLE [SECONDS]          waits for the window to appear
//   uidriver waitgone TITLE [SECONDS]      waits for the window to go
//   uidriver rect TITLE                    prints the window's left top right bottom
//   uidriver close TITLE                   asks the window to close (as its title-bar
//                                          button does)
//   uidriver msgbox [--title T] [--press BUTTON] [--wait SECONDS]
//                                          prints the message box's title and text
//                                          (tab-separated), then presses BUTTON
//   uidriver desktop [SECONDS]             waits until windows can be made (a new
//                                          prefix's desktop takes a while to start)
//
// TITLE is the exact window title. Commands wait up to 10 seconds for the window.
// Output is UTF-8; line feeds and tabs inside texts are written as \n and \t.
// Exit code: 0 done, 1 not found or refused, 2 wrong arguments.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "datatable/Text.h"
#include "tools/uidriver/Driver.h"

namespace {

using namespace stp::uidriver;

constexpr DWORD kDefaultWaitMs = 10000;

void Write(const std::string& utf8) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteError(const std::string& utf8) {
    DWORD written = 0;
    const std::string line = "uidriver: " + utf8 + "\n";
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Escaped(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n')
            out += u"\\n";
        else if (c == u'\r')
            out += u"\\r";
        else if (c == u'\t')
            out += u"\\t";
        else if (c == u'\\')
            out += u"\\\\";
        else
            out += c;
    }
    return stp::ToUtf8(out);
}

std::u16string Arg(const wchar_t* s) { return std::u16string(s, s + wcslen(s)); }

DWORD Seconds(const std::u16string& text) {
    return static_cast<DWORD>(std::wcstoul(reinterpret_cast<const wchar_t*>(text.c_str()), nullptr, 10) * 1000);
}

HWND Top(const std::u16string& title) {
    HWND window = FindTopWindow(title, kDefaultWaitMs);
    if (!window) throw DriverError("No window titled " + stp::ToUtf8(title) + ".");
    return window;
}

int Usage() {
    WriteError("usage: uidriver list|click|settext|gettext|state|wait|waitgone|rect|close|msgbox|desktop ...");
    return 2;
}

int MessageBoxCommand(const std::vector<std::u16string>& args) {
    std::u16string title;
    std::u16string press;
    bool pressing = false;
    DWORD wait = kDefaultWaitMs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return Usage();
        if (args[i] == u"--title")
            title = args[++i];
        else if (args[i] == u"--press") {
            press = args[++i];
            pressing = true;
        } else if (args[i] == u"--wait")
            wait = Seconds(args[++i]);
        else
            return Usage();
    }
    const auto box = FindMessageBox(0, title, wait);
    if (!box) throw DriverError("No message box.");
    Write(Escaped(box->Title) + "\t" + Escaped(box->Text) + "\n");
    if (pressing) PressButton(*box, press);
    return 0;
}

// Ready when the desktop window shows and a window can be made on it.
int DesktopCommand(DWORD wait) {
    const ULONGLONG end = GetTickCount64() + wait;
    for (;;) {
        const HWND desktop = GetDesktopWindow();
        if (desktop && IsWindowVisible(desktop)) {
            const HWND probe = CreateWindowExW(0, L"STATIC", L"uidriver probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                               nullptr, nullptr);
            if (probe) {
                DestroyWindow(probe);
                return 0;
            }
        }
        if (GetTickCount64() >= end) throw DriverError("No desktop to make windows on.");
        Sleep(200);
    }
}

int Run(const std::vector<std::u16string>& a) {
    if (a.empty()) return Usage();
    const std::u16string& command = a[0];
    if (command == u"msgbox") return MessageBoxCommand({a.begin() + 1, a.end()});
    if (command == u"desktop") return DesktopCommand(a.size() > 1 ? Seconds(a[1]) : kDefaultWaitMs);
    if (a.size() < 2) return Usage();
    const std::u16string& title = a[1];
    if (command == u"wait") {
        if (!FindTopWindow(title, a.size() > 2 ? Seconds(a[2]) : kDefaultWaitMs)) throw DriverError("No window.");
        return 0;
    }
    if (command == u"waitgone") {
        if (!WaitWindowGone(title, a.size() > 2 ? Seconds(a[2]) : kDefaultWaitMs))
            throw DriverError("The window is still there.");
        return 0;
    }
    HWND top = Top(title);
    if (command == u"list" && a.size() == 2) {
        for (const ControlInfo& c : ListControls(top))
            Write(stp::ToUtf8(c.Name) + "\t" + stp::ToUtf8(c.ClassName) + "\t" + (c.Visible ? "1" : "0") + "\t" +
                  (c.Showing ? "1" : "0") + "\t" + (c.Enabled ? "1" : "0") + "\t" + Escaped(c.Text) + "\n");
        return 0;
    }
    if (command == u"close" && a.size() == 2) {
        if (!PostMessageW(top, WM_CLOSE, 0, 0)) throw DriverError("The window cannot be asked to close.");
        return 0;
    }
    if (command == u"rect" && a.size() == 2) {
        const RECT r = WindowRect(top);
        Write(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
              std::to_string(r.bottom) + "\n");
        return 0;
    }
    if (a.size() < 3) return Usage();
    const ControlInfo control = FindControl(top, a[2]);
    if (command == u"click" && a.size() == 3) {
        Click(control);
    } else if (command == u"gettext" && a.size() == 3) {
        Write(stp::ToUtf8(control.Text) + "\n");
    } else if (command == u"state" && a.size() == 3) {
        Write(std::string("visible=") + (control.Visible ? "1" : "0") + " showing=" + (control.Showing ? "1" : "0") +
              " enabled=" + (control.Enabled ? "1" : "0") + "\n");
    } else if (command == u"settext" && a.size() == 4) {
        SetText(control, a[3]);
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Arg(argv[i]));
    try {
        return Run(args);
    } catch (const std::exception& error) {
        WriteError(error.what());
        return 1;
    }
}
