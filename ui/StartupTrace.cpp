#include "ui/StartupTrace.h"

#include <windows.h>

#include <cmath>
#include <string>

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

}  // namespace

void TraceStartup(const char* Phase) noexcept {
    static wchar_t file[MAX_PATH] = {};
    static const bool on = GetEnvironmentVariableW(L"STP_STARTUP_TRACE", file, MAX_PATH) > 0;
    if (!on) return;
    HANDLE out = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    // Tenths of a millisecond, formatted by hand: printf's float code stays out of the installer.
    const long long tenths = std::llround(SinceProcessStart() * 10);
    const std::string line = std::string(Phase) + " " + std::to_string(tenths / 10) + "." +
                             std::to_string(tenths % 10) + "\r\n";
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(out);
}

}  // namespace stp
