#include "sys/Shell.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "sys/Handles.h"
#include "sys/Processes.h"
#include "sys/WideText.h"

namespace stp {

namespace {

std::u16string& ApplicationTitle() {
    static std::u16string title;
    return title;
}

HWND& ApplicationWindow() {
    static HWND window = nullptr;
    return window;
}

UniquePidl ComputerFolder(HWND Owner) {
    ITEMIDLIST* pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(Owner, CSIDL_DRIVES, &pidl))) return nullptr;
    return UniquePidl(pidl);
}

// Disables this thread's visible, enabled top-level windows except Keep, and enables
// them again when it goes out of scope; focus returns to where it was.
class ThreadWindowsDisabled {
public:
    explicit ThreadWindowsDisabled(HWND Keep) : keep_(Keep), focus_(GetFocus()) {
        EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : disabled_) EnableWindow(window, FALSE);
    }
    ~ThreadWindowsDisabled() {
        for (HWND window : disabled_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
        if (window != me->keep_ && IsWindowVisible(window) && IsWindowEnabled(window)) me->disabled_.push_back(window);
        return TRUE;
    }

    HWND keep_;
    HWND focus_;
    std::vector<HWND> disabled_;
};

}  // namespace

std::u16string BrowseForFolder(HWND Owner, const std::u16string& Title) {
    const UniquePidl root = ComputerFolder(Owner);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = Owner;
    info.pidlRoot = root.get();
    info.pszDisplayName = displayName;
    info.lpszTitle = AsWide(Title);
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const UniquePidl chosen(SHBrowseForFolderW(&info));
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.get(), path)) return {};
    return FromWide(path, MAX_PATH);
}

HANDLE RunProgram(const std::u16string& FileName, const std::u16string& Parameters) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = AsWide(FileName);
    info.lpParameters = AsWide(Parameters);
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return nullptr;
    return info.hProcess;
}

bool IsElevated() {
    // What cannot be read counts as elevated: the safer way to start a program.
    return IsThisProcessElevated().value_or(true);
}

HANDLE RunProgramAsDesktopUser(const std::u16string& FileName) {
    DWORD shellId = 0;
    HWND shell = GetShellWindow();
    // Without a shell window (Wine's desktop), the desktop window's own process, when it
    // is the shell: never another process that happens to own it.
    const bool shellWindow = shell != nullptr;
    if (!shellWindow) shell = GetDesktopWindow();
    if (!GetWindowThreadProcessId(shell, &shellId) || !shellId) return nullptr;
    const UniqueHandle parent(OpenProcess(PROCESS_CREATE_PROCESS | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellId));
    if (!parent) return nullptr;
    if (!shellWindow) {
        wchar_t image[MAX_PATH];
        DWORD size = MAX_PATH;
        if (!QueryFullProcessImageNameW(parent.get(), 0, image, &size)) return nullptr;
        const wchar_t* name = wcsrchr(image, L'\\');
        if (lstrcmpiW(name ? name + 1 : image, L"explorer.exe") != 0) return nullptr;
    }
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> buffer(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return nullptr;
    HANDLE parentHandle = parent.get();
    PROCESS_INFORMATION process{};
    if (UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parentHandle,
                                  sizeof parentHandle, nullptr, nullptr)) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        std::u16string line = u"\"" + FileName + u"\"";
        // In its own folder, not in the installer's.
        const std::u16string folder = FileName.substr(0, FileName.rfind(u'\\') + 1);
        if (!CreateProcessW(AsWide(FileName), reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE,
                            EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.empty() ? nullptr : AsWide(folder),
                            &startup.StartupInfo, &process))
            process.hProcess = nullptr;
    }
    DeleteProcThreadAttributeList(attributes);
    if (process.hThread) CloseHandle(process.hThread);
    return process.hProcess;
}

void ShowAppMessage(const std::u16string& Text, const std::u16string& Caption) {
    const std::u16string caption = Caption.empty() ? ApplicationTitle() : Caption;
    HWND owner = GetActiveWindow();
    if (!owner) owner = ApplicationWindow();
    const ThreadWindowsDisabled disabled(owner);
    MessageBoxW(owner, AsWide(Text), AsWide(caption), MB_OK | MB_ICONINFORMATION);
}

void SetApplicationTitle(const std::u16string& Title) { ApplicationTitle() = Title; }
std::u16string GetApplicationTitle() { return ApplicationTitle(); }
void SetApplicationWindow(HWND Window) { ApplicationWindow() = Window; }
HWND GetApplicationWindow() { return ApplicationWindow(); }

}  // namespace stp
