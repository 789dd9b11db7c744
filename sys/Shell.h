// The shell's folder picker, program launch and the application's message box. They
// run on the user-interface thread, initialised as a single-threaded COM apartment.
#pragma once

#include <windows.h>

#include <string>

namespace stp {

// A modal folder picker rooted at the Computer folder; only file-system folders can be
// chosen. The chosen path (a drive root keeps its backslash), or empty when cancelled.
std::u16string BrowseForFolder(HWND Owner, const std::u16string& Title);

// Starts FileName with Parameters through the shell's default verb, in the current
// directory. The new process's handle, which the caller closes; null on failure.
HANDLE RunProgram(const std::u16string& FileName, const std::u16string& Parameters);

// True when this process runs with an administrator's full rights (elevated), or when that
// cannot be read.
bool IsElevated();

// Starts FileName, without parameters, as a child of the shell's own process, so that it
// runs with the desktop user's rights rather than this process's. The new process's
// handle, which the caller closes; null when there is no shell or it cannot be started.
HANDLE RunProgramAsDesktopUser(const std::u16string& FileName);

// A modal information box with an OK button, titled Caption, or the application title
// when Caption is empty. The application's other windows are disabled meanwhile.
void ShowAppMessage(const std::u16string& Text, const std::u16string& Caption = std::u16string());

// The application title and main window, set by the application object when its main
// window is created. The window owns the message box when no window is active.
void SetApplicationTitle(const std::u16string& Title);
std::u16string GetApplicationTitle();
void SetApplicationWindow(HWND Window);
HWND GetApplicationWindow();

}  // namespace stp
