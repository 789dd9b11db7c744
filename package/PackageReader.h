// Reading a package's file table from its end.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "datatable/DataTable.h"
#include "package/FileSystem.h"

namespace stp {

// The table text of an open package, one character per byte through the ANSI code
// page; empty when the length field is at or past the file size, which means the
// package holds nothing. A negative length, or one longer than the bytes before the
// length field, is a read error. The read position is left at the first record.
std::optional<std::u16string> ReadPackageTableText(TFile& package);

// The file table of an open package, opened with the password and parsed with column 1
// converted; null when the package holds nothing. An envelope that does not open
// parses as one row of one empty cell.
std::unique_ptr<TDataTable> ReadPackageTable(TFile& package, const std::u16string& password);

}  // namespace stp
