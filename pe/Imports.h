// The DLLs a Windows image names for the loader to load with it (its import table) or
// at a first call (its delay-load table), read without Windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stp::pe {

inline constexpr int kImportDirectory = 1;
inline constexpr int kDelayImportDirectory = 13;

struct ImportedDll {
    std::string Name;      // as the image spells it: "KERNEL32.dll"
    bool Delayed = false;  // from the delay-load table
};

// Every DLL of the image's import table, then of its delay-load table, in table order.
// Raises EPeError naming the table for one outside the image's sections, one without its
// closing entry, or a name that does not end inside its section.
std::vector<ImportedDll> ImportedDlls(std::string_view Image);

}  // namespace stp::pe
