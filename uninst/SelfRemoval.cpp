#include "uninst/SelfRemoval.h"

#include <ntsecapi.h>
#include <sddl.h>

#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "datatable/Text.h"
#include "datatable/Convert.h"
#include "package/HeldTree.h"
#include "product/ProductTable.h"
#include "sys/Handles.h"
#include "sys/WideText.h"
#include "ui/Wide.h"

extern "C" NTSTATUS NTAPI NtAreMappedFilesTheSame(PVOID, PVOID);

namespace stp {

namespace {

std::intptr_t Native(HANDLE h) { return reinterpret_cast<std::intptr_t>(h); }

// A handle the copy inherits, to the same object as Source; with Source's access when
// Access is 0.
UniqueHandle Inheritable(HANDLE source, DWORD access) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, access, TRUE,
                         access == 0 ? DUPLICATE_SAME_ACCESS : 0))
        return {};
    return UniqueHandle(copy);
}

// The uninstaller's own file, opened in its held folder, when it is this process's
// image: a file put at its name meanwhile is not copied and run.
UniqueHandle OwnImage(const THeldFolder& folder) {
    UniqueHandle file = MakeUniqueHandle(CreateFileW(
        ToWide(folder.PathOf(kUninstallerName)).c_str(), GENERIC_READ | DELETE | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return {};
    const UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return {};
    void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (!view) return {};
    const bool same = NtAreMappedFilesTheSame(GetModuleHandleW(nullptr), view) == 0;
    UnmapViewOfFile(view);
    return same ? std::move(file) : UniqueHandle();
}

// The system's temporary folder: administrators' alone where Windows has one
// (SystemTemp), else the Windows folder's Temp, whose entries users cannot rename.
std::wstring SystemTempFolder() {
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    for (const wchar_t* name : {L"\\SystemTemp\\", L"\\Temp\\"}) {
        const std::wstring folder = std::wstring(windows) + name;
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return folder;
    }
    return {};
}

// A new folder only administrators and the system may change, held so that it can be
// neither renamed nor removed while it is open.
struct PrivateFolder {
    std::wstring Path;
    UniqueHandle Held;
};

PrivateFolder MakePrivateFolder() {
    const std::wstring temp = SystemTempFolder();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (temp.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
                                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    PrivateFolder folder;
    const std::wstring path = temp + L"stp-uninst-" + ToWide(UnforeseeableName());
    if (CreateDirectoryW(path.c_str(), &attributes)) {
        folder.Held = MakeUniqueHandle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (folder.Held)
            folder.Path = path + L"\\";
        else
            RemoveDirectoryW(path.c_str());
    }
    LocalFree(descriptor);
    return folder;
}

// Writes the image's bytes, read through its handle, to a new file in the private folder;
// the returned handle lets others read the copy (and run it) but neither change nor
// remove it. (The writing handle goes first: the loader shares no writing.)
UniqueHandle WriteCopy(HANDLE image, const std::wstring& path) {
    {
        const UniqueHandle copy = MakeUniqueHandle(
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr));
        if (!copy) return {};
        LARGE_INTEGER start{};
        SetFilePointerEx(image, start, nullptr, FILE_BEGIN);
        std::vector<char> buffer(1 << 16);
        for (;;) {
            DWORD read = 0, written = 0;
            if (!ReadFile(image, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return {};
            if (read == 0) break;
            if (!WriteFile(copy.get(), buffer.data(), read, &written, nullptr) || written != read) return {};
        }
    }
    return MakeUniqueHandle(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Starts Program with these handles inherited and no other: a caller's pipes or files do
// not stay open for as long as the copy runs. Where the system cannot name the handles
// (no attribute list), they are inherited with every other inheritable one.
bool StartWithHandles(const std::wstring& program, std::wstring& line, const std::wstring& folder,
                      std::vector<HANDLE>& handles, PROCESS_INFORMATION& info) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    const bool listed = size != 0 && InitializeProcThreadAttributeList(list, 1, 0, &size) &&
                        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                                  handles.size() * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = listed ? sizeof startup : sizeof startup.StartupInfo;
    startup.lpAttributeList = listed ? list : nullptr;
    // A start the system fails with an internal error (Wine does so now and then under
    // load) is tried again: without the copy, Uninst.exe would wait for a restart.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt) Sleep(200);
        started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                 listed ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, folder.c_str(),
                                 &startup.StartupInfo, &info) != FALSE;
        if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    if (listed) DeleteProcThreadAttributeList(list);
    return started;
}

bool StartCopy(HANDLE image, const THeldFolder& destination, const THeldFolder* maker, bool folderAtRestart) {
    const PrivateFolder folder = MakePrivateFolder();
    if (folder.Path.empty()) return false;
    const std::wstring program = folder.Path + ToWide(kUninstallerName);
    bool started = false;
    {
        const UniqueHandle copy = WriteCopy(image, program);
        const UniqueHandle process = Inheritable(GetCurrentProcess(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
        const UniqueHandle file = Inheritable(image, 0);
        const UniqueHandle dest = Inheritable(reinterpret_cast<HANDLE>(destination.Native()), 0);
        const UniqueHandle above = maker ? Inheritable(reinterpret_cast<HANDLE>(maker->Native()), 0) : UniqueHandle();
        if (copy && process && file && dest && (above || !maker)) {
            std::wstring line = L"\"" + program + L"\" " + kCleanupSwitch;
            for (HANDLE h : {process.get(), file.get(), dest.get(), above.get()}) line += L" " + WideNumber(Native(h));
            line += folderAtRestart ? L" 1" : L" 0";
            std::vector<HANDLE> handed{process.get(), file.get(), dest.get()};
            if (above) handed.push_back(above.get());
            PROCESS_INFORMATION info{};
            started = StartWithHandles(program, line, folder.Path, handed, info);
            if (started) {
                CloseHandle(info.hThread);
                CloseHandle(info.hProcess);
            }
        }
    }
    if (!started) {
        DeleteFileW(program.c_str());
        RemoveDirectoryW(folder.Path.c_str());
    }
    return started;
}

bool SameText(const std::u16string& a, const std::u16string& b) { return EqualsIgnoringAsciiCase(a, b); }

std::u16string LastComponent(const std::u16string& path) { return path.substr(path.find_last_of(u'\\') + 1); }

std::u16string ParentOf(const std::u16string& path) {
    const std::size_t cut = path.find_last_of(u'\\');
    return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

bool IsFolderHandle(HANDLE h, bool folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
           ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// A handle number of the command line: plain digits, naming a handle this process
// inherited (never a pseudo-handle such as its own process, -1).
HANDLE HandleArgument(const wchar_t* text) {
    if (!text || !*text) return nullptr;
    for (const wchar_t* c = text; *c; ++c)
        if (*c < L'0' || *c > L'9') return nullptr;
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text, &end, 10);
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    DWORD flags = 0;
    if (!end || *end != 0 || !GetHandleInformation(handle, &flags) || !(flags & HANDLE_FLAG_INHERIT)) return nullptr;
    return handle;
}

}  // namespace

std::u16string UnforeseeableName() {
    unsigned char bytes[16] = {};
    // The system's random source through advapi32, which the loader takes from System32
    // (bcrypt.dll is not among the KnownDLLs: linked, it was found beside Uninst.exe).
    if (!RtlGenRandom(bytes, sizeof bytes)) {
        // No system random source: the copy is not made, nothing is renamed.
        throw std::runtime_error("The system's random source is not available.");
    }
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string name;
    for (unsigned char b : bytes) name += {digits[b >> 4], digits[b & 15]};
    return name;
}

bool DeleteAtRestart(const std::u16string& path) {
    const std::u16string full = path.rfind(u"\\\\", 0) == 0 ? path : u"\\\\?\\" + path;
    return MoveFileExW(ToWide(full).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool StartSelfRemoval(const THeldFolder& destination, const THeldFolder* maker, bool folderAtRestart) {
    const UniqueHandle image = OwnImage(destination);
    bool started = false;
    try {
        started = image && StartCopy(image.get(), destination, maker, folderAtRestart);
    } catch (const std::exception&) {
    }
    if (!started) {
        // Both by their held handles' real places.
        DeleteAtRestart(destination.PathOf(kUninstallerName));
        DeleteAtRestart(destination.Path());
    }
    return started;
}

bool FinishSelfRemoval(int argc, wchar_t** argv) {
    if (argc != 5) return false;
    HANDLE process = HandleArgument(argv[0]), file = HandleArgument(argv[1]), folder = HandleArgument(argv[2]),
           maker = HandleArgument(argv[3]);
    const bool folderAtRestart = std::wcscmp(argv[4], L"1") == 0;
    // Only what an uninstaller passed on: its process, its own file, its folder.
    if (!process || GetProcessId(process) == 0 || GetProcessId(process) == GetCurrentProcessId() || !file ||
        !IsFolderHandle(file, false) || !folder || !IsFolderHandle(folder, true) ||
        (maker && !IsFolderHandle(maker, true)))
        return false;
    const std::u16string filePath = PathOfHandle(Native(file)), folderPath = PathOfHandle(Native(folder));
    if (!SameText(LastComponent(filePath), kUninstallerName) || !SameText(ParentOf(filePath), folderPath) ||
        (maker && !SameText(ParentOf(folderPath), PathOfHandle(Native(maker)))))
        return false;
    // As long as the uninstaller runs, its closing message left open included.
    WaitForSingleObject(process, INFINITE);
    bool gone = false;
    for (int attempt = 0; attempt < 50 && !gone; ++attempt) {
        gone = DeleteThroughHandle(Native(file));
        if (!gone) Sleep(100);
    }
    if (!gone) {
        const std::u16string aside = RenameThroughHandle(Native(file), Native(folder),
                                                         std::u16string(kUninstallerName) + u"." + UnforeseeableName());
        DeleteAtRestart(aside.empty() ? filePath : aside);
    }
    CloseHandle(file);
    if (!DeleteThroughHandle(Native(folder)) && (folderAtRestart || !gone)) DeleteAtRestart(folderPath);
    CloseHandle(folder);
    if (maker) DeleteThroughHandle(Native(maker));
    // This copy and its folder go at the next restart.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DeleteAtRestart(FromWide(self));
    DeleteAtRestart(ParentOf(FromWide(self)));
    return true;
}

}  // namespace stp
