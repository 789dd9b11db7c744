#include "sys/DllSearch.h"

#include <windows.h>

namespace stp {

void RestrictDllSearch() {
    // Looked up at run time: Windows XP and an unpatched Windows 7 lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current directory leaves the search path.
    SetDllDirectoryW(L"");
}

}  // namespace stp
