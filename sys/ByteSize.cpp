#include "sys/ByteSize.h"

#include <cmath>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {

namespace {

constexpr std::int64_t kKB = 1024;
constexpr std::int64_t kMB = kKB * 1024;
constexpr std::int64_t kGB = kMB * 1024;

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// Whole number nearest to x, halves to the even neighbour (the default rounding mode).
double RoundHalfEven(double x) { return std::nearbyint(x); }

// Above 100 whole units; up to 100 one decimal place.
double RoundUnits(double units) {
    if (units > 100) return RoundHalfEven(units);
    return RoundHalfEven(units * 10) * 0.1;
}

// The value has at most one decimal place after rounding: whole units, then the tenth
// unless it is 0. Integer arithmetic keeps floating-point formatting (and its tables)
// out of the installer.
std::u16string NumberText(double value, std::u16string_view separator) {
    const long long tenths = std::llround(value * 10);
    std::u16string text = Ascii(std::to_string(tenths / 10));
    if (tenths % 10 != 0) text += std::u16string(separator) + static_cast<char16_t>(u'0' + tenths % 10);
    return text;
}

}  // namespace

std::u16string FormatByteSize(std::int64_t Size, std::u16string_view DecimalSeparator) {
    if (Size < kKB) return Ascii(std::to_string(Size)) + u" Bytes";
    if (Size < kMB) return NumberText(RoundHalfEven(static_cast<double>(Size) / kKB), DecimalSeparator) + u" KB";
    // Divided in extended precision: sizes above 2^53 bytes are not exact as a double.
    const long double size = static_cast<long double>(Size);
    if (Size < kGB) return NumberText(RoundUnits(static_cast<double>(size / kMB)), DecimalSeparator) + u" MB";
    return NumberText(RoundUnits(static_cast<double>(size / kGB)), DecimalSeparator) + u" GB";
}

std::u16string FormatByteSize(std::int64_t Size) { return FormatByteSize(Size, UserDecimalSeparator()); }

std::u16string UserDecimalSeparator() {
#ifdef _WIN32
    wchar_t separator[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    if (length > 1) return std::u16string(reinterpret_cast<const char16_t*>(separator), length - 1);
#endif
    return u".";
}

}  // namespace stp
