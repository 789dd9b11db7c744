// The deletions Windows carries out at its next restart (the Session Manager's
// "PendingFileRenameOperations"). An uninstaller schedules a file in use there by its
// name; an installation into the same folder before the restart takes those files back.
#pragma once

#include <string>
#include <vector>

namespace stp {

// Cancels every pending deletion of Folder + a path of Files (Folder ends with a
// backslash; compared without regard to ASCII case). Renames stay. False when the list
// cannot be read or written (no rights); true when there was nothing to cancel.
bool CancelPendingDeletes(const std::u16string& Folder, const std::vector<std::u16string>& Files);

}  // namespace stp
