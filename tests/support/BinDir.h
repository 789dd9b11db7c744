// Where the running test program lies: the built programs it runs lie beside it.
#pragma once

#include <windows.h>

#include <string>

namespace stp::test {

// The test program's folder, ending with a backslash.
inline std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring file(path);
    return file.substr(0, file.find_last_of(L'\\') + 1);
}

}  // namespace stp::test
