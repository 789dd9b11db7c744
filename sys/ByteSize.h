// Byte counts as short texts in units of 1024: " Bytes", " KB", " MB", " GB".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stp {

// With the decimal separator of the user's regional settings ("." off Windows).
std::u16string FormatByteSize(std::int64_t Size);

// With the given decimal separator.
std::u16string FormatByteSize(std::int64_t Size, std::u16string_view DecimalSeparator);

// The user's decimal separator: the regional setting on Windows, "." elsewhere.
std::u16string UserDecimalSeparator();

}  // namespace stp
