// Byte-exact standard streams and files for the commands.
#pragma once

#include <string>
#include <string_view>

namespace stp::tool {

// No newline translation on Windows: the commands move exact bytes.
void UseBinaryStreams();

std::string ReadStdin();
// path as UTF-8; "-" reads standard input. Throws std::runtime_error when unreadable.
std::string ReadFileOrStdin(const std::string& path);
void WriteStdout(std::string_view bytes);

}  // namespace stp::tool
