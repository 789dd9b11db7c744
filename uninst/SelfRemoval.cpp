#include "uninst/SelfRemoval.h"

#include <string>

#include <sddl.h>

#include "datatable/Convert.h"
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

namespace {

// A new folder in the temporary folder that only administrators and the system may
// change: the copy runs with the uninstaller's rights, so no user program may swap it.
std::wstring PrivateTempFolder() {
    wchar_t temp[MAX_PATH] = {};
    if (!GetTempPathW(MAX_PATH, temp)) return {};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    std::wstring folder;
    for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
        const std::wstring candidate = std::wstring(temp) + L"stp-uninst-" + std::to_wstring(GetCurrentProcessId()) +
                                       L"-" + std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(candidate.c_str(), &attributes)) folder = candidate + L"\\";
    }
    LocalFree(descriptor);
    return folder;
}

constexpr char16_t kUninstallerName[] = u"Uninst.exe";
constexpr char16_t kMakerFolder[] = u"Orvane Soft";

std::u16string LastComponent(const std::u16string& path) {
    std::u16string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == u'\\') trimmed.pop_back();
    return trimmed.substr(trimmed.find_last_of(u'\\') + 1);
}

}  // namespace

bool StartSelfRemoval(const std::u16string& self, bool folderAtRestart) {
    bool started = false;
    const std::wstring folder = PrivateTempFolder();
    if (!folder.empty()) {
        const std::wstring program = folder + ToWide(kUninstallerName);
        if (CopyFileW(ToWide(self).c_str(), program.c_str(), FALSE)) {
            std::wstring line = L"\"" + program + L"\" " + kCleanupSwitch + L" " + std::to_wstring(GetCurrentProcessId()) +
                                (folderAtRestart ? L" 1" : L" 0") + L" \"" + ToWide(self) + L"\"";
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     folder.c_str(), &startup, &info) != FALSE;
            if (started) {
                CloseHandle(info.hThread);
                CloseHandle(info.hProcess);
            } else {
                DeleteFileW(program.c_str());
            }
        }
        if (!started) RemoveDirectoryW(folder.c_str());
    }
    if (!started) {
        ScheduleAtRestart(self);
        RemoveFolderIfEmpty(ParentFolder(self), true);
    }
    return started;
}

void FinishSelfRemoval(DWORD pid, bool folderAtRestart, const std::u16string& original) {
    // Only ever an uninstaller: the switch is no way to delete other files.
    if (!EqualsIgnoringAsciiCase(LastComponent(original), kUninstallerName)) return;
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
    // The maker's folder the installer proposes, when nothing else is in it; a folder of
    // another name may be the user's own.
    const std::u16string maker = ParentFolder(folder);
    if (EqualsIgnoringAsciiCase(LastComponent(maker), kMakerFolder)) RemoveFolderIfEmpty(maker, false);
    // This copy and its folder go at the next restart.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    ScheduleAtRestart(ParentFolder(FromWide(self)));
}

}  // namespace stp
