#include "uninst/SelfRemoval.h"

#include <string>

#include "sys/Handles.h"
#include "ui/Wide.h"

namespace stp {

namespace {

std::u16string ParentFolder(const std::u16string& path) {
    std::u16string folder = path;
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    const std::size_t cut = folder.find_last_of(u'\\');
    return cut == std::u16string::npos ? std::u16string() : folder.substr(0, cut + 1);
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void ScheduleAtRestart(const std::u16string& path) {
    MoveFileExW(ToWide(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Removes Folder when it is empty; a folder still holding files scheduled for restart
// is scheduled too (it is empty by then).
void RemoveFolderIfEmpty(const std::u16string& folder, bool scheduleWhenNotEmpty) {
    if (folder.size() <= 3) return;  // never a drive's root
    if (RemoveDirectoryW(ToWide(folder).c_str()) || !Exists(folder)) return;
    if (scheduleWhenNotEmpty) ScheduleAtRestart(folder);
}

}  // namespace

bool DeleteNowOrAtRestart(const std::u16string& file) {
    if (DeleteFileW(ToWide(file).c_str()) || !Exists(file)) return true;
    // A read-only file is removed as well: it was installed, not made by the user.
    SetFileAttributesW(ToWide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(ToWide(file).c_str())) return true;
    ScheduleAtRestart(file);
    return false;
}

void StartSelfRemoval(const std::u16string& self, bool folderAtRestart) {
    wchar_t temp[MAX_PATH] = {};
    wchar_t copy[MAX_PATH] = {};
    bool started = false;
    if (GetTempPathW(MAX_PATH, temp) && GetTempFileNameW(temp, L"uns", 0, copy)) {
        // GetTempFileNameW made an empty file of that name; the copy takes its place.
        std::wstring program = std::wstring(copy) + L".exe";
        DeleteFileW(copy);
        if (CopyFileW(ToWide(self).c_str(), program.c_str(), FALSE)) {
            std::wstring line = L"\"" + program + L"\" " + kCleanupSwitch + L" " + std::to_wstring(GetCurrentProcessId()) +
                                (folderAtRestart ? L" 1" : L" 0") + L" \"" + ToWide(self) + L"\"";
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp,
                                     &startup, &info) != FALSE;
            if (started) {
                CloseHandle(info.hThread);
                CloseHandle(info.hProcess);
            } else {
                DeleteFileW(program.c_str());
            }
        }
    }
    if (!started) {
        ScheduleAtRestart(self);
        RemoveFolderIfEmpty(ParentFolder(self), true);
    }
}

void FinishSelfRemoval(DWORD pid, bool folderAtRestart, const std::u16string& original) {
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitForSingleObject(process, 60000);
        CloseHandle(process);
    }
    bool gone = false;
    for (int attempt = 0; attempt < 50 && !gone; ++attempt) {
        gone = DeleteFileW(ToWide(original).c_str()) || !Exists(original);
        if (!gone) Sleep(100);
    }
    if (!gone) ScheduleAtRestart(original);
    const std::u16string folder = ParentFolder(original);
    RemoveFolderIfEmpty(folder, folderAtRestart || !gone);
    // The maker's folder above, when nothing else is in it.
    RemoveFolderIfEmpty(ParentFolder(folder), false);
    // This copy, in the temporary folder, goes at the next restart.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace stp
