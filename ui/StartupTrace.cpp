#include "ui/StartupTrace.h"

#include <windows.h>

#include <cmath>
#include <string>

#include "sys/SetupLog.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// Milliseconds since the process was created.
double SinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

// The file STP_STARTUP_TRACE names, opened once as the install log is: the installer runs
// as administrator and whoever set its environment may have named a link to another
// file. Empty without the variable or when the file is refused.
HANDLE TraceFile() noexcept {
    static const UniqueHandle file = [] {
        wchar_t name[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(L"STP_STARTUP_TRACE", name, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return UniqueHandle();
        try {
            return OpenAppendOnlyPlainFile(FromWide(name));
        } catch (...) {
            return UniqueHandle();
        }
    }();
    return file.get();
}

}  // namespace

void TraceStartup(const char* Phase) noexcept {
    // Tenths of a millisecond, taken before anything else and formatted by hand: printf's
    // float code stays out of the installer.
    const long long tenths = std::llround(SinceProcessStart() * 10);
    const HANDLE out = TraceFile();
    if (!out) return;
    try {
        const std::string line =
            std::string(Phase) + " " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "\r\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
    }
}

}  // namespace stp
