#include "sys/DllSearch.h"

#include "sys/Handles.h"

namespace stp {

bool RestrictDllSearchWith(SetDefaultDllDirectoriesFn SetDefault, bool Elevated) {
    if (SetDefault && SetDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    // Without it (Windows 7 without KB2533623), at least the current folder leaves the
    // search; the program's own folder, which a user may be able to write to, does not.
    SetDllDirectoryW(L"");
    return !Elevated;
}

bool RunsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool RestrictDllSearch() {
    // Looked up at run time: Windows XP and an unpatched Windows 7 lack it.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    return RestrictDllSearchWith(setDefault, RunsElevated());
}

}  // namespace stp
