#include "datatable/Convert.h"

namespace stp {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigit(char16_t c) {
    if (IsDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::size_t SkipBlanks(std::u16string_view s, std::size_t i) {
    while (i < s.size() && s[i] == u' ') ++i;
    return i;
}

// Length of the hexadecimal prefix at i (0 when the digits are decimal).
std::size_t HexPrefixLength(std::u16string_view s, std::size_t i) {
    if (i >= s.size()) return 0;
    if (s[i] == u'$' || s[i] == u'x' || s[i] == u'X') return 1;
    if (s[i] == u'0' && i + 1 < s.size() && (s[i + 1] == u'x' || s[i + 1] == u'X')) return 2;
    return 0;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

std::optional<std::int32_t> ParseInteger(std::u16string_view s) {
    std::size_t i = SkipBlanks(s, 0);
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    std::size_t prefix = HexPrefixLength(s, i);
    int base = prefix != 0 ? 16 : 10;
    i += prefix;
    if (i >= s.size()) return std::nullopt;
    // The magnitude may reach 2^31 only for a negative value.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        int digit = base == 16 ? HexDigit(s[i]) : (IsDigit(s[i]) ? s[i] - u'0' : -1);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<bool> ParseNumberIsNonZero(std::u16string_view s) {
    std::size_t i = SkipBlanks(s, 0);
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
    bool anyDigit = false;
    bool nonZero = false;
    auto digits = [&] {
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            anyDigit = true;
            nonZero = nonZero || s[i] != u'0';
        }
    };
    digits();
    if (i < s.size() && s[i] == u'.') {
        ++i;
        digits();
    }
    if (!anyDigit) return std::nullopt;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
        std::size_t start = i;
        while (i < s.size() && IsDigit(s[i])) ++i;
        if (i == start) return std::nullopt;
    }
    if (SkipBlanks(s, i) != s.size()) return std::nullopt;
    return nonZero;
}

std::optional<bool> ParseBoolean(std::u16string_view s) {
    if (auto number = ParseNumberIsNonZero(s)) return number;
    if (EqualsIgnoringAsciiCase(s, u"True")) return true;
    if (EqualsIgnoringAsciiCase(s, u"False")) return false;
    return std::nullopt;
}

std::u16string IntegerToText(std::int32_t n) {
    std::int64_t magnitude = n < 0 ? -static_cast<std::int64_t>(n) : n;
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return n < 0 ? u"-" + digits : digits;
}

}  // namespace stp
