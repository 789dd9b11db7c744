#include "sys/Processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "sys/Handles.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// The two process-status calls, from PSAPI.dll loaded at first use and kept for the
// life of the process. Null when the library or a call is missing.
struct ProcessStatusLibrary {
    using EnumModules = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    using ModuleFileName = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

    EnumModules EnumProcessModules = nullptr;
    ModuleFileName GetModuleFileNameExW = nullptr;

    ProcessStatusLibrary() {
        const HMODULE library = LoadLibraryW(L"PSAPI.dll");
        if (!library) return;
        EnumProcessModules =
            reinterpret_cast<EnumModules>(reinterpret_cast<void*>(GetProcAddress(library, "EnumProcessModules")));
        GetModuleFileNameExW =
            reinterpret_cast<ModuleFileName>(reinterpret_cast<void*>(GetProcAddress(library, "GetModuleFileNameExW")));
    }
};

const ProcessStatusLibrary& Psapi() {
    static const ProcessStatusLibrary library;
    return library;
}

void AddProcessRow(TDataTable& table, const PROCESSENTRY32W& entry, bool WithImagePath) {
    auto row = std::make_unique<TRow>(nullptr);
    row->AddItem(FromWide(entry.szExeFile, MAX_PATH));
    row->AddItem(static_cast<std::int32_t>(entry.th32ProcessID));
    if (WithImagePath) row->AddItem(GetProcessImagePath(entry.th32ProcessID));
    // The table takes the row over only once AddItem has returned.
    table.AddItem(row.get(), false);
    row.release();
}

}  // namespace

std::unique_ptr<TDataTable> GetProcessTable(bool WithImagePath) {
    auto table = std::make_unique<TDataTable>(std::u16string(), TColumnSet());
    const UniqueHandle snapshot = MakeUniqueHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return table;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        AddProcessRow(*table, entry, WithImagePath);
    return table;
}

std::u16string GetProcessImagePath(std::uint32_t ProcessId) {
    const ProcessStatusLibrary& psapi = Psapi();
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessId));
    if (!process || !psapi.EnumProcessModules || !psapi.GetModuleFileNameExW) return {};
    // The first module of a process is its executable.
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!psapi.EnumProcessModules(process.get(), &module, sizeof module, &needed)) return {};
    wchar_t path[MAX_PATH] = {};
    const DWORD length = psapi.GetModuleFileNameExW(process.get(), module, path, MAX_PATH);
    if (length == 0) return {};
    return FromWide(path, length < MAX_PATH ? length : MAX_PATH);
}

std::optional<bool> IsThisProcessElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::nullopt;
    const UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return std::nullopt;
    return elevation.TokenIsElevated != 0;
}

}  // namespace stp
