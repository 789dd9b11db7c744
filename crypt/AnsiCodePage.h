// Single-byte text through the system's ANSI code page: the envelope's header and
// Base64 characters and the package's table text travel as one byte per character.
#pragma once

#include <string>
#include <string_view>

namespace stp {

// Each byte becomes the character the ANSI code page assigns to it.
std::u16string AnsiToUtf16(std::string_view bytes);

// Characters the code page cannot hold become its default character ('?');
// exact tells whether the bytes convert back to the same text.
std::string Utf16ToAnsi(std::u16string_view text, bool& exact);
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace stp
