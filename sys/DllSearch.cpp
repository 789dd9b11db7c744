#include "sys/DllSearch.h"

#include "sys/Handles.h"
#include "sys/Processes.h"

namespace stp {

bool RestrictDllSearchWith(SetDefaultDllDirectoriesFn SetDefault, bool Elevated) {
    if (SetDefault && SetDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    // Without it (Windows 7 without KB2533623), at least the current folder leaves the
    // search; the program's own folder, which a user may be able to write to, does not.
    SetDllDirectoryW(L"");
    return !Elevated;
}

bool RestrictDllSearch() {
    // Looked up at run time: Windows XP and an unpatched Windows 7 lack it.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    return RestrictDllSearchWith(setDefault, IsThisProcessElevated().value_or(false));
}

}  // namespace stp
