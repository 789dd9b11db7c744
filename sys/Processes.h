// The running processes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "datatable/DataTable.h"

namespace stp {

// One row per running process, in the order of the system's snapshot: column 0 the
// executable file name, column 1 the process identifier, and with WithImagePath
// column 2 the full image path (empty when it cannot be read). Empty when no snapshot
// can be taken. The caller owns the table.
std::unique_ptr<TDataTable> GetProcessTable(bool WithImagePath);

// Whether this process runs with an administrator's full rights (elevated); nothing when
// the system cannot tell (Windows XP has no such notion).
std::optional<bool> IsThisProcessElevated();

// Full path of the process's executable image; empty when the process cannot be opened
// or read.
std::u16string GetProcessImagePath(std::uint32_t ProcessId);

}  // namespace stp
