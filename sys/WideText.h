// The system's texts are std::u16string; Win32 takes wchar_t, which is 16-bit on Windows.
#pragma once

#include <string>
#include <string_view>

namespace stp {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

inline const wchar_t* AsWide(const std::u16string& s) noexcept { return reinterpret_cast<const wchar_t*>(s.c_str()); }

inline wchar_t* AsWide(char16_t* s) noexcept { return reinterpret_cast<wchar_t*>(s); }

// Text up to its first NUL, and never past count characters.
inline std::u16string FromWide(const wchar_t* s, std::size_t count) {
    std::u16string_view view(reinterpret_cast<const char16_t*>(s), count);
    return std::u16string(view.substr(0, view.find(u'\0')));
}

inline std::u16string FromWide(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

// A number's decimal digits, widened: std::to_wstring would bring the wide printf along.
inline std::wstring WideNumber(long long value) {
    const std::string digits = std::to_string(value);
    return std::wstring(digits.begin(), digits.end());
}

}  // namespace stp
