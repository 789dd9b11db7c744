// Windows-style path texts as the platform's own paths, for code that works through
// std::filesystem (the packer). Kept apart from the file layer so that the installer,
// which goes through Win32 alone, does not link the library's path and locale code.
#pragma once

#include <filesystem>
#include <string_view>

namespace stp {

// The platform path of a Windows-style path text; on POSIX systems "\" becomes "/".
std::filesystem::path NativePath(std::u16string_view path);

}  // namespace stp
