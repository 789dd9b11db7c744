// UTF-16 <-> UTF-8 conversion for messages, command lines and files.
#pragma once

#include <string>
#include <string_view>

namespace stp {

// Unpaired surrogates and malformed UTF-8 become U+FFFD.
std::string ToUtf8(std::u16string_view s);
std::u16string FromUtf8(std::string_view s);

}  // namespace stp
