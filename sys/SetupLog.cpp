#include "sys/SetupLog.h"

#include <string>
#include <tuple>

#include "datatable/Text.h"
#include "sys/WideText.h"

namespace stp {

namespace {

std::wstring LongFullPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    std::wstring longPath(32768, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
    if (length == 0 || length >= longPath.size()) return full;
    longPath.resize(length);
    return longPath;
}

// Where the open file really is, without the "\\?\" the system puts before it.
std::wstring FinalPath(HANDLE file) {
    std::wstring path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

}  // namespace

TSetupLog::TSetupLog(const std::u16string& File) {
    // The installer runs as administrator and the log's folder may be a user's: the file is
    // opened without following a link at its name, and given up when it is not where it
    // was asked for (a link on the way), so a log cannot append to another file.
    UniqueHandle file = MakeUniqueHandle(CreateFileW(AsWide(File), FILE_APPEND_DATA | DELETE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return;
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool plain = GetFileInformationByHandle(file.get(), &info) &&
                       !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    const std::wstring asked = LongFullPath(AsWide(File));
    const std::wstring found = FinalPath(file.get());
    if (plain && CompareStringOrdinal(asked.c_str(), -1, found.c_str(), -1, TRUE) == CSTR_EQUAL) {
        FFile = std::move(file);
        return;
    }
    if (created) {
        FILE_DISPOSITION_INFO gone{TRUE};
        SetFileInformationByHandle(file.get(), FileDispositionInfo, &gone, sizeof gone);
    }
}

void TSetupLog::Write(std::u16string_view Line) {
    if (!FFile) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // "2026-12-11 09:30:05 ", formatted by hand: printf stays out of the installer.
    std::string stamp;
    for (const auto& [value, width, after] : {std::tuple{now.wYear, 4, '-'}, {now.wMonth, 2, '-'}, {now.wDay, 2, ' '},
                                             {now.wHour, 2, ':'}, {now.wMinute, 2, ':'}, {now.wSecond, 2, ' '}}) {
        const std::string digits = std::to_string(value);
        stamp += std::string(digits.size() < std::size_t(width) ? width - digits.size() : 0, '0') + digits + after;
    }
    const std::string text = stamp + ToUtf8(Line) + "\r\n";
    DWORD written = 0;
    WriteFile(FFile.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace stp
