#include "crypt/AnsiCodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <array>
#include <cstdint>
#endif

namespace stp {

#ifdef _WIN32

std::u16string AnsiToUtf16(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(count), u'\0');
    if (count > 0) {
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), count);
    }
    return text;
}

std::string Utf16ToAnsi(std::u16string_view text, bool& exact) {
    exact = true;
    if (text.empty()) {
        return {};
    }
    // No best-fit mapping: a character the code page lacks becomes '?' rather than a
    // look-alike. A UTF-8 ANSI code page accepts neither flag nor default character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int count = WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (count > 0) {
        WideCharToMultiByte(CP_ACP, flags, wide, size, bytes.data(), count, nullptr, nullptr);
    }
    exact = AnsiToUtf16(bytes) == text;
    return bytes;
}

#else

// Stand-in for the Windows-1252 code page, so that Linux builds behave like a Western
// Windows system. Bytes 0x80 to 0x9F map as Windows maps them; the five bytes that code
// page leaves undefined map to the control characters of the same value.
namespace {

constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ByteToChar(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

// The byte of a character, or -1 when the code page has none.
int CharToByte(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return ch;
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text.push_back(ByteToChar(static_cast<unsigned char>(byte)));
    }
    return text;
}

std::string Utf16ToAnsi(std::u16string_view text, bool& exact) {
    exact = true;
    std::string bytes;
    bytes.reserve(text.size());
    // Like Windows with a single-byte code page: one byte per UTF-16 code unit, so each
    // half of a surrogate pair becomes a default character of its own.
    for (const char16_t ch : text) {
        const int byte = CharToByte(ch);
        exact = exact && byte >= 0;
        bytes.push_back(byte >= 0 ? static_cast<char>(byte) : '?');
    }
    return bytes;
}

#endif

std::string Utf16ToAnsi(std::u16string_view text) {
    bool exact = true;
    return Utf16ToAnsi(text, exact);
}

}  // namespace stp
