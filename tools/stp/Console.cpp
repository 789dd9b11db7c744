#include "tools/stp/Console.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif
#include <algorithm>

#include "datatable/Text.h"

namespace stp::tool {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenForReading(const std::string& path) {
#ifdef _WIN32
    const std::u16string wide = FromUtf8(path);
    return FilePtr(_wfopen(reinterpret_cast<const wchar_t*>(wide.c_str()), L"rb"));
#else
    return FilePtr(std::fopen(path.c_str(), "rb"));
#endif
}

std::string ReadAll(std::FILE* file, const std::string& name) {
    std::string bytes;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    if (std::ferror(file)) {
        throw std::runtime_error("cannot read " + name);
    }
    return bytes;
}

}  // namespace

void UseBinaryStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::string ReadStdin() { return ReadAll(stdin, "standard input"); }

std::string ReadFileOrStdin(const std::string& path) {
    if (path == "-") {
        return ReadStdin();
    }
    const FilePtr file = OpenForReading(path);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return ReadAll(file.get(), path);
}

void WriteStdout(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        throw std::runtime_error("cannot write to standard output");
    }
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
#else
    return isatty(fileno(stream));
#endif
}

void DrawBar(std::int64_t percent) {
    const int width = 40;
    const int filled = static_cast<int>(std::min<std::int64_t>(std::max<std::int64_t>(percent, 0), 100) * width / 100);
    std::fprintf(stderr, "\r[%s%s] %3lld%%", std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
                 static_cast<long long>(percent));
    std::fflush(stderr);
}

}  // namespace stp::tool
