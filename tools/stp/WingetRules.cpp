#include "tools/stp/WingetRules.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "datatable/Text.h"

namespace stp::tool {

namespace {

constexpr std::size_t kMaxPartLength = 32;
constexpr std::size_t kMaxIdentifierLength = 128;
constexpr std::size_t kMinParts = 2;
constexpr std::size_t kMaxParts = 8;
constexpr std::size_t kMaxUrlLength = 2048;
constexpr char kManifestsFolder[] = "manifests";
constexpr std::uint64_t kSecondsPerDay = 86400;
constexpr std::uint64_t kLastSecondOf9999 = 253402300799;  // 9999-12-31 23:59:59 UTC

struct Range {
    char32_t first, last;
};

// What the schema's pattern refuses in a part: ".", \s (white space as the schema's
// validators read it: Python's and ICU's both), \ / : * ? " < > | and control characters
// (C0, DEL and C1: the schema names C0 only, but no name needs the others).
constexpr Range kNotInPart[] = {
    {0x00, 0x20},     {U'.', U'.'},     {U'\\', U'\\'},   {U'/', U'/'},     {U':', U':'},     {U'*', U'*'},
    {U'?', U'?'},     {U'"', U'"'},     {U'<', U'<'},     {U'>', U'>'},     {U'|', U'|'},     {0x7F, 0xA0},
    {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

bool MayBeInPart(char32_t c) {
    for (const Range& r : kNotInPart)
        if (c >= r.first && c <= r.last) return false;
    return true;
}

// The characters of Text; a lone surrogate stays one character.
std::u32string CodePoints(std::u16string_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool pair =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        points += pair ? static_cast<char32_t>(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00)) : char32_t(c);
    }
    return points;
}

std::string Utf8(const std::u32string& points) {
    std::u16string text;
    for (const char32_t c : points) {
        if (c < 0x10000) {
            text += static_cast<char16_t>(c);
        } else {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return ToUtf8(text);
}

std::vector<std::u32string> Split(const std::u32string& text, char32_t separator) {
    std::vector<std::u32string> parts(1);
    for (const char32_t c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The simple lower case of the alphabets a publisher's name is likely written in: a
// range's capitals move by Delta; in a Pairwise range the capitals are every other
// character from First, each followed by its small letter. Other characters stay.
struct CaseRange {
    char32_t First, Last;
    char32_t Delta;
    bool Pairwise;
};
constexpr CaseRange kCapitals[] = {
    {U'A', U'Z', 32, false},   {0xC0, 0xD6, 32, false},   {0xD8, 0xDE, 32, false},   {0x100, 0x12F, 1, true},
    {0x132, 0x137, 1, true},   {0x139, 0x148, 1, true},   {0x14A, 0x177, 1, true},   {0x179, 0x17E, 1, true},
    {0x391, 0x3A1, 32, false}, {0x3A3, 0x3AB, 32, false}, {0x400, 0x40F, 80, false}, {0x410, 0x42F, 32, false},
};

char32_t LowerCase(char32_t c) {
    for (const CaseRange& r : kCapitals)
        if (c >= r.First && c <= r.Last && (!r.Pairwise || (c - r.First) % 2 == 0)) return c + r.Delta;
    return c;
}

std::string NamePart(const std::u16string& name, const char* what) {
    const std::string part = IdentifierPart(name);
    if (part.empty())
        throw std::runtime_error("the " + std::string(what) + " '" + ToUtf8(name) +
                                 "' has no character a package identifier may hold; give --id");
    return part;
}

}  // namespace

std::string IdentifierPart(const std::u16string& name) {
    std::u32string part;
    for (const char32_t c : CodePoints(name))
        if (MayBeInPart(c) && part.size() < kMaxPartLength) part += c;
    return Utf8(part);
}

bool IsPackageIdentifier(std::string_view utf8) {
    const std::u32string id = CodePoints(FromUtf8(utf8));
    const std::vector<std::u32string> parts = Split(id, U'.');
    if (id.size() > kMaxIdentifierLength || parts.size() < kMinParts || parts.size() > kMaxParts) return false;
    for (const std::u32string& part : parts) {
        if (part.empty() || part.size() > kMaxPartLength) return false;
        for (const char32_t c : part)
            if (!MayBeInPart(c)) return false;
    }
    return true;
}

std::string DerivePackageIdentifier(const std::u16string& publisher, const std::u16string& product) {
    const std::string first = NamePart(publisher, "publisher");
    return first + "." + NamePart(product, "product name");
}

bool IsInstallerUrl(std::string_view utf8) {
    const std::u32string url = CodePoints(FromUtf8(utf8));
    std::string scheme;  // the first characters in ASCII lower case
    for (std::size_t i = 0; i < url.size() && i < 8; ++i)
        scheme += url[i] >= U'A' && url[i] <= U'Z' ? static_cast<char>(url[i] - U'A' + U'a')
                  : url[i] < 0x80                  ? static_cast<char>(url[i])
                                                   : '?';
    const std::size_t rest = scheme.rfind("http://", 0) == 0 ? 7 : scheme.rfind("https://", 0) == 0 ? 8 : 0;
    if (rest == 0 || url.size() <= rest || url.size() > kMaxUrlLength) return false;
    for (const char32_t c : url)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return false;
    return true;
}

bool IsHttpsUrl(std::string_view utf8) {
    const std::string_view scheme = utf8.substr(0, 8);
    std::string lower;
    for (const char c : scheme) lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return lower == "https://" && IsInstallerUrl(utf8);
}

std::vector<std::string> ManifestFolders(const std::string& identifier, const std::string& version) {
    const std::u32string id = CodePoints(FromUtf8(identifier));
    std::vector<std::string> folders = {kManifestsFolder, Utf8(std::u32string(1, LowerCase(id.at(0))))};
    for (const std::u32string& part : Split(id, U'.')) folders.push_back(Utf8(part));
    folders.push_back(version);
    return folders;
}

std::string UtcDate(std::string_view seconds) {
    std::uint64_t value = 0;
    bool valid = !seconds.empty() && seconds.size() <= 12;
    for (const char c : seconds) {
        valid = valid && c >= '0' && c <= '9';
        if (valid) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!valid || value > kLastSecondOf9999)
        throw std::runtime_error("SOURCE_DATE_EPOCH '" + std::string(seconds) +
                                 "' is no count of seconds since 1970 up to the year 9999");
    // The civil date of a day count, by 400-year eras of 146097 days that begin on 1 March.
    const std::uint64_t days = value / kSecondsPerDay + 719468;
    const std::uint64_t era = days / 146097, ofEra = days % 146097;
    const std::uint64_t yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;
    const std::uint64_t dayOfYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::uint64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const std::uint64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::uint64_t year = era * 400 + yearOfEra + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(year), static_cast<unsigned>(month),
                  static_cast<unsigned>(day));
    return text;
}

void CheckLength(std::string_view field, const std::u16string& value, std::size_t least, std::size_t most) {
    const std::size_t length = CodePoints(value).size();
    if (length < least || length > most)
        throw std::runtime_error(std::string(field) + " '" + ToUtf8(value) + "' has " + std::to_string(length) +
                                 " characters; a winget manifest takes " + std::to_string(least) + " to " +
                                 std::to_string(most));
}

}  // namespace stp::tool
