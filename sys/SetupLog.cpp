#include "sys/SetupLog.h"

#include <cstdio>

#include "datatable/Text.h"
#include "sys/WideText.h"

namespace stp {

TSetupLog::TSetupLog(const std::u16string& File) {
    // Others may read the log meanwhile, and a second run may append after this one.
    FFile = MakeUniqueHandle(CreateFileW(AsWide(File), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void TSetupLog::Write(std::u16string_view Line) {
    if (!FFile) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    const std::string text = stamp + ToUtf8(Line) + "\r\n";
    DWORD written = 0;
    WriteFile(FFile.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace stp
