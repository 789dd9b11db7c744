#include "sys/SetupLog.h"

#include <winternl.h>

#include <string>
#include <tuple>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/HeldTree.h"
#include "sys/WideText.h"

extern "C" NTSTATUS NTAPI NtCreateFile(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

namespace stp {

namespace {

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG_PTR kFileCreated = 2;            // FILE_CREATED

std::u16string LongFullPath(const std::u16string& path) {
    std::wstring full(32768, L'\0');
    const DWORD n = GetFullPathNameW(AsWide(path), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n < full.size() ? n : 0);
    std::wstring longPath(32768, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
    longPath.resize(length == 0 || length >= longPath.size() ? 0 : length);
    return FromWide((longPath.empty() ? full : longPath).c_str());
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(AsWide(a), static_cast<int>(a.size()), AsWide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Name in Folder opened for appending or made, a link at the name opened as itself.
UniqueHandle OpenOrMake(const THeldFolder& folder, const std::u16string& name, bool& created) {
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(AsWide(name));
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, reinterpret_cast<HANDLE>(folder.Native()),
                               nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    if (NtCreateFile(&handle, FILE_APPEND_DATA | DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr,
                     FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN_IF,
                     FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | kOpenReparsePoint, nullptr, 0) != 0)
        return {};
    created = io.Information == kFileCreated;
    return UniqueHandle(handle);
}

// The file Name in Folder, kept when it is a plain file of that one name there.
UniqueHandle OpenPlainIn(const THeldFolder& folder, const std::u16string& name) {
    bool created = false;
    UniqueHandle file = OpenOrMake(folder, name, created);
    if (!file) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool plain = GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks == 1 &&
                       !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    // Where the handle's file is (Wine follows a link at the name regardless): the name
    // asked for, its short form read long now that the file is there.
    if (plain && SamePath(PathOfHandle(reinterpret_cast<std::intptr_t>(file.get())), LongFullPath(folder.PathOf(name))))
        return file;
    if (created) {
        FILE_DISPOSITION_INFO gone{TRUE};
        SetFileInformationByHandle(file.get(), FileDispositionInfo, &gone, sizeof gone);
    }
    return {};
}

}  // namespace

UniqueHandle OpenAppendOnlyPlainFile(const std::u16string& File) {
    const std::u16string full = LongFullPath(File);
    const std::size_t slash = full.find_last_of(u'\\');
    if (slash == std::u16string::npos || slash + 1 == full.size()) return {};
    try {
        const THeldFolder folder = THeldFolder::OpenRootToWrite(full.substr(0, slash + 1));
        return OpenPlainIn(folder, full.substr(slash + 1));
    } catch (const EFileError&) {
        return {};  // the folder is missing, cannot be opened or is reached through a link
    }
}

TSetupLog::TSetupLog(const std::u16string& File) : file_(OpenAppendOnlyPlainFile(File)) {}

void TSetupLog::Write(std::u16string_view Line) {
    if (!file_) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // "2026-12-11 09:30:05 ", formatted by hand: printf stays out of the installer.
    std::string stamp;
    for (const auto& [value, width, after] : {std::tuple{now.wYear, 4, '-'},
                                              {now.wMonth, 2, '-'},
                                              {now.wDay, 2, ' '},
                                              {now.wHour, 2, ':'},
                                              {now.wMinute, 2, ':'},
                                              {now.wSecond, 2, ' '}}) {
        const std::string digits = std::to_string(value);
        stamp += std::string(digits.size() < std::size_t(width) ? width - digits.size() : 0, '0') + digits + after;
    }
    const std::string text = stamp + ToUtf8(Line) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace stp
