// The forms keep texts as std::u16string; Win32 takes wchar_t, 16-bit on Windows.
#pragma once

#include <string>
#include <string_view>

namespace stp {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

inline std::wstring ToWide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::wstring ToWide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }
inline std::u16string FromWide(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

}  // namespace stp
