#include "sys/ByteSize.h"

#include <charconv>
#include <cmath>

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {

namespace {

constexpr std::int64_t KB = 1024;
constexpr std::int64_t MB = KB * 1024;
constexpr std::int64_t GB = MB * 1024;

// Whole number nearest to x, halves to the even neighbour (the default rounding mode).
double RoundHalfEven(double x) { return std::nearbyint(x); }

// Above 100 whole units; up to 100 one decimal place.
double RoundUnits(double units) {
    if (units > 100) return RoundHalfEven(units);
    return RoundHalfEven(units * 10) * 0.1;
}

// Up to 15 significant digits, no exponent at these magnitudes, no trailing zeros.
std::u16string NumberText(double value, std::u16string_view separator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::u16string text;
    for (const char* p = buffer; p != result.ptr; ++p) {
        if (*p == '.')
            text += separator;
        else
            text += static_cast<char16_t>(*p);
    }
    return text;
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

std::u16string FormatByteSize(std::int64_t Size, std::u16string_view DecimalSeparator) {
    if (Size < KB) return Ascii(std::to_string(Size)) + u" Bytes";
    if (Size < MB) return NumberText(RoundHalfEven(static_cast<double>(Size) / KB), DecimalSeparator) + u" KB";
    // Divided in extended precision: sizes above 2^53 bytes are not exact as a double.
    const long double size = static_cast<long double>(Size);
    if (Size < GB) return NumberText(RoundUnits(static_cast<double>(size / MB)), DecimalSeparator) + u" MB";
    return NumberText(RoundUnits(static_cast<double>(size / GB)), DecimalSeparator) + u" GB";
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
