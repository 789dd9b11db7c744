// Keeps DLLs from being loaded out of the program's own folder (a downloads or temporary
// folder may hold planted ones).
#pragma once

namespace stp {

// Only the system folder is searched for DLLs from here on.
void RestrictDllSearch();

}  // namespace stp
