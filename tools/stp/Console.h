// Byte-exact standard streams and files for the commands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace stp::tool {

// No newline translation on Windows: the commands move exact bytes.
void UseBinaryStreams();

std::string ReadStdin();
// path as UTF-8; "-" reads standard input. Throws std::runtime_error when unreadable.
std::string ReadFileOrStdin(const std::string& path);
void WriteStdout(std::string_view bytes);

// True for a terminal a progress bar can redraw in place. On Windows the NUL device also
// counts as a character device, so only a real console does.
bool IsTerminal(std::FILE* stream);
// Draws a 40-character bar for percent (0 to 100) on standard error, in place.
void DrawBar(std::int64_t percent);

}  // namespace stp::tool
