// Keeps DLLs from being loaded out of the program's own folder (a downloads or temporary
// folder may hold planted ones).
#pragma once

#include <windows.h>

namespace stp {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Restricts the DLL search through SetDefault (SetDefaultDllDirectories as the system has
// it, null where it lacks it) to System32. Where that fails only the current folder leaves
// the search and the program's own folder stays first in it: then false for an Elevated
// program, which must end before it loads anything more.
bool RestrictDllSearchWith(SetDefaultDllDirectoriesFn SetDefault, bool Elevated);

// RestrictDllSearchWith for this system and process (not elevated where the system cannot
// tell: Windows XP): false when the program must end at
// once with ecFailed, saying that it needs the Windows update (kUnsafeDllSearchText).
bool RestrictDllSearch();

}  // namespace stp
