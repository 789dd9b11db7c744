// The executable's own resources: string table entries, raw data and bitmaps. They are
// read from the resource module, the executable unless a test names another module.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Bitmap.h"

namespace stp {

HMODULE ResourceModule() noexcept;
// Module may be a data-file module; null goes back to the executable.
void SetResourceModule(HMODULE Module) noexcept;

// String table entry Id; a missing entry reads as empty text.
std::u16string LoadResString(UINT Id);

// Whether the resource Name of type Type is there.
bool HasResource(const std::wstring& Name, const wchar_t* Type) noexcept;

// The bytes of the resource Name of type Type; raises when there is none.
std::vector<std::uint8_t> LoadResourceData(const std::wstring& Name, const wchar_t* Type);

// The bitmap resource Name as a device-independent bitmap; raises when there is none.
TBitmap LoadBitmapResource(const std::wstring& Name);

}  // namespace stp
