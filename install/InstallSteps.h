// The parts of the install and finish actions that stand apart from the wizard's
// controls: the folder text as a destination, the payload copy, the uninstall entry and
// the antivirus check.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "package/FileSystem.h"
#include "product/UninstallEntry.h"

namespace stp {

class TDataTable;

// The folder text as the destination folder, ending in a backslash, with characters of
// code 32 or below trimmed from both ends (after the backslash is appended, so a space
// before it stays).
std::u16string NormaliseSetupDir(const std::u16string& FolderText);

// Writes the payload resource (type "StpFile", name "SetupPackage") of the resource
// module unchanged into File, from its current position. Raises when there is no such
// resource or the file cannot be written.
void WritePayload(TFile& File);

// True when the process table names the antivirus program the installed program cannot
// run beside ("kxetray.exe", then "KAVSvc.exe", in any letter case).
bool IsConflictingAntivirusRunning(const TDataTable& Processes);

}  // namespace stp
