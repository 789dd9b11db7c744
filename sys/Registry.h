// Registry keys and string values below a predefined root (HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, ...). Paths are relative to the root; one leading "\" is dropped
// and an empty path is the root itself. Keys are opened with full access and closed
// before each call returns.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datatable/Errors.h"

namespace stp {

// Creates Path with any missing keys above it; an existing key is left as it is.
// Always true; raises ERegistryError "Failed to create key %s" when it cannot.
bool RegCreateKeyPath(HKEY Root, const std::u16string& Path);

// Writes Value as REG_SZ, creating the key when missing. False when the key cannot be
// opened or created; raises ERegistryError "Failed to set data for '%s'" when the value
// cannot be written.
bool RegWriteStringValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName,
                         const std::u16string& Value);

// Writes Value as REG_DWORD, as RegWriteStringValue writes a text.
bool RegWriteDwordValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName, std::uint32_t Value);

// The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded), up to its first NUL. Empty
// when the key or value is missing or the value is empty. Raises ERegistryError
// "Invalid data type for '%s'" for other types, "Failed to get data for '%s'" when the
// value cannot be read after its size was taken.
std::u16string RegReadStringValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName);

// The names of the keys right below Path; empty when Path cannot be opened.
std::vector<std::u16string> RegSubKeyNames(HKEY Root, const std::u16string& Path);

// Deletes Path with everything below it; false when it cannot (or Path is the root).
bool RegDeleteKeyTree(HKEY Root, const std::u16string& Path);

// RegReadStringValue's read rules on a key that is already open.
std::u16string ReadStringFromKey(HKEY Key, const std::u16string& ValueName);

}  // namespace stp
