#include "sys/Drives.h"

#include <windows.h>

#include "sys/WideText.h"

namespace stp {

namespace {

// Keeps the system's "insert a disk" box away while an empty drive is asked about; the
// caller hears -1 instead.
class CriticalErrorsQuiet {
public:
    CriticalErrorsQuiet() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
    ~CriticalErrorsQuiet() { SetThreadErrorMode(previous_, nullptr); }
    CriticalErrorsQuiet(const CriticalErrorsQuiet&) = delete;
    CriticalErrorsQuiet& operator=(const CriticalErrorsQuiet&) = delete;

private:
    DWORD previous_ = 0;
};

std::u16string RootOf(char16_t letter) { return std::u16string{letter, u':', u'\\'}; }

}  // namespace

std::u16string GetDriveLetters() {
    const DWORD mask = GetLogicalDrives();
    std::u16string letters;
    for (int i = 0; i < 26; ++i) {
        const char16_t letter = static_cast<char16_t>(u'A' + i);
        if ((mask & (1u << i)) && GetDriveTypeW(AsWide(RootOf(letter))) == DRIVE_FIXED) letters += letter;
    }
    return letters;
}

std::int64_t GetDriveFreeSpace(char16_t Letter) {
    const CriticalErrorsQuiet quiet;
    ULARGE_INTEGER available{}, total{};
    if (!GetDiskFreeSpaceExW(AsWide(RootOf(Letter)), &available, &total, nullptr)) return -1;
    return static_cast<std::int64_t>(available.QuadPart);
}

}  // namespace stp
