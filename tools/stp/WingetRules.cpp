#include "tools/stp/WingetRules.h"

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

struct Range {
    char32_t first, last;
};

// What the schema's pattern refuses in a part: ".", \s (white space as the schema's
// validators read it: Python's and ICU's both), \ / : * ? " < > | and control characters
// (C0, DEL and C1: the schema names C0 only, but no name needs the others).
constexpr Range kNotInPart[] = {
    {0x00, 0x20},     {U'.', U'.'},     {U'\\', U'\\'},   {U'/', U'/'},     {U':', U':'},
    {U'*', U'*'},     {U'?', U'?'},     {U'"', U'"'},     {U'<', U'<'},     {U'>', U'>'},
    {U'|', U'|'},     {0x7F, 0xA0},     {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029},
    {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

bool MayBeInPart(char32_t c)
{
    for (const Range& r : kNotInPart)
        if (c >= r.first && c <= r.last) return false;
    return true;
}

// The characters of Text; a lone surrogate stays one character.
std::u32string CodePoints(std::u16string_view text)
{
    std::u32string points;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool pair =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        points += pair ? static_cast<char32_t>(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00)) : char32_t(c);
    }
    return points;
}

std::string Utf8(const std::u32string& points)
{
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

std::vector<std::u32string> Split(const std::u32string& text, char32_t separator)
{
    std::vector<std::u32string> parts(1);
    for (const char32_t c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string NamePart(const std::u16string& name, const char* what)
{
    const std::string part = IdentifierPart(name);
    if (part.empty())
        throw std::runtime_error("the " + std::string(what) + " '" + ToUtf8(name) +
                                 "' has no character a package identifier may hold; give --id");
    return part;
}

}  // namespace

std::string IdentifierPart(const std::u16string& name)
{
    std::u32string part;
    for (const char32_t c : CodePoints(name))
        if (MayBeInPart(c) && part.size() < kMaxPartLength) part += c;
    return Utf8(part);
}

bool IsPackageIdentifier(std::string_view utf8)
{
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

std::string DerivePackageIdentifier(const std::u16string& publisher, const std::u16string& product)
{
    const std::string first = NamePart(publisher, "publisher");
    return first + "." + NamePart(product, "product name");
}

bool IsInstallerUrl(std::string_view utf8)
{
    const std::u32string url = CodePoints(FromUtf8(utf8));
    std::string scheme;  // the first characters in ASCII lower case
    for (std::size_t i = 0; i < url.size() && i < 8; ++i)
        scheme += url[i] >= U'A' && url[i] <= U'Z' ? static_cast<char>(url[i] - U'A' + U'a')
                : url[i] < 0x80                   ? static_cast<char>(url[i])
                                                  : '?';
    const std::size_t rest = scheme.rfind("http://", 0) == 0 ? 7 : scheme.rfind("https://", 0) == 0 ? 8 : 0;
    if (rest == 0 || url.size() <= rest || url.size() > kMaxUrlLength) return false;
    for (const char32_t c : url)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return false;
    return true;
}

void CheckLength(std::string_view field, const std::u16string& value, std::size_t least, std::size_t most)
{
    const std::size_t length = CodePoints(value).size();
    if (length < least || length > most)
        throw std::runtime_error(std::string(field) + " '" + ToUtf8(value) + "' has " + std::to_string(length) +
                                 " characters; a winget manifest takes " + std::to_string(least) + " to " +
                                 std::to_string(most));
}

}  // namespace stp::tool
