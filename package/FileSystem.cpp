#include "package/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#ifndef _WIN32
#include "package/NativePath.h"
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace stp {

#ifdef _WIN32
std::string SystemErrorText(std::uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    if (n && text) message.assign(reinterpret_cast<const char16_t*>(text), n);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u'.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : ToUtf8(message);
}
#endif

namespace {

constexpr std::intptr_t kNoHandle = -1;

std::string Quoted(std::u16string_view path) { return "'" + ToUtf8(path) + "'"; }

#ifdef _WIN32
const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::string LastErrorText() { return SystemErrorText(GetLastError()); }

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::intptr_t OpenHandle(const std::u16string& path, DWORD access, DWORD disposition, const char* what,
                         DWORD share = 0) {
    HANDLE h = CreateFileW(Wide(path), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFileError(std::string(what) + " " + Quoted(path) + ": " + LastErrorText());
    return reinterpret_cast<std::intptr_t>(h);
}
#else
std::string LastErrorText() { return std::strerror(errno); }

std::intptr_t OpenHandle(const std::u16string& path, int flags, const char* what) {
    int fd;
    do {
        fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw EFileError(std::string(what) + " " + Quoted(path) + ": " + LastErrorText());
    return fd;
}
#endif

}  // namespace

#ifdef _WIN32
// Straight Win32 here: std::filesystem would bring its locale machinery into the installer.
namespace {

DWORD Attributes(std::u16string_view path) {
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(std::u16string(path).c_str()));
}

}  // namespace

bool FileExists(std::u16string_view path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::u16string_view path) {
    const DWORD a = Attributes(path);
    return !path.empty() && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(std::u16string_view path) {
    if (path.empty()) return false;
    // Each prefix that ends before a separator, then the whole path; existing ones stay.
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
            const std::u16string prefix(path.substr(0, i));
            if (!prefix.empty() && prefix.back() != u':' && !DirectoryExists(prefix))
                CreateDirectoryW(reinterpret_cast<const wchar_t*>(prefix.c_str()), nullptr);
        }
    }
    return DirectoryExists(path);
}
#else
bool FileExists(std::u16string_view path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

bool DirectoryExists(std::u16string_view path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(NativePath(path), ec);
}

bool ForceDirectories(std::u16string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(NativePath(path), ec);
    return DirectoryExists(path);
}
#endif

TFile TFile::OpenRead(std::u16string_view path) {
    std::u16string p(path);
#ifdef _WIN32
    std::intptr_t h = OpenHandle(p, GENERIC_READ, OPEN_EXISTING, "cannot open");
#else
    std::intptr_t h = OpenHandle(p, O_RDONLY, "cannot open");
#endif
    return TFile(std::move(p), h);
}

TFile TFile::CreateAlways(std::u16string_view path) {
    std::u16string p(path);
#ifdef _WIN32
    std::intptr_t h = OpenHandle(p, GENERIC_WRITE, CREATE_ALWAYS, "cannot create");
#else
    std::intptr_t h = OpenHandle(p, O_WRONLY | O_CREAT | O_TRUNC, "cannot create");
#endif
    return TFile(std::move(p), h);
}

TFile TFile::CreateHeld(std::u16string_view path) {
    std::u16string p(path);
#ifdef _WIN32
    std::intptr_t h =
        OpenHandle(p, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_ALWAYS, "cannot create", FILE_SHARE_READ);
#else
    std::intptr_t h = OpenHandle(p, O_RDWR | O_CREAT | O_TRUNC, "cannot create");
#endif
    return TFile(std::move(p), h);
}

void TFile::Delete() {
#ifdef _WIN32
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(H(handle_), FileDispositionInfo, &disposition, sizeof disposition))
        Fail("cannot delete");
#else
    if (::unlink(NativePath(path_).c_str()) != 0) Fail("cannot delete");
#endif
    Close();
}

TFile::TFile(TFile&& other) noexcept : path_(std::move(other.path_)), handle_(other.handle_) {
    other.handle_ = kNoHandle;
}

TFile& TFile::operator=(TFile&& other) noexcept {
    if (this != &other) {
        try {
            Close();
        } catch (...) {
        }
        path_ = std::move(other.path_);
        handle_ = other.handle_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

TFile::~TFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TFile::Fail(const char* what) const {
    throw EFileError(std::string(what) + " " + Quoted(path_) + ": " + LastErrorText());
}

void TFile::Truncate() {
#ifdef _WIN32
    if (!SetEndOfFile(H(handle_))) Fail("cannot shorten");
#else
    if (::ftruncate(static_cast<int>(handle_), Position()) != 0) Fail("cannot shorten");
#endif
}

void TFile::Close() {
    if (handle_ == kNoHandle) return;
    std::intptr_t h = handle_;
    handle_ = kNoHandle;
#ifdef _WIN32
    if (!CloseHandle(H(h))) Fail("cannot close");
#else
    if (::close(static_cast<int>(h)) != 0 && errno != EINTR) Fail("cannot close");
#endif
}

std::int64_t TFile::Size() const {
#ifdef _WIN32
    LARGE_INTEGER size;
    if (!GetFileSizeEx(H(handle_), &size)) Fail("cannot get the size of");
    return size.QuadPart;
#else
    struct stat st;
    if (::fstat(static_cast<int>(handle_), &st) != 0) Fail("cannot get the size of");
    return st.st_size;
#endif
}

std::int64_t TFile::Position() const {
#ifdef _WIN32
    LARGE_INTEGER zero{}, pos;
    if (!SetFilePointerEx(H(handle_), zero, &pos, FILE_CURRENT)) Fail("cannot position in");
    return pos.QuadPart;
#else
    off_t pos = ::lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (pos < 0) Fail("cannot position in");
    return pos;
#endif
}

void TFile::Seek(std::int64_t offset) {
    if (offset < 0) throw EFileError("cannot position in " + Quoted(path_) + ": negative offset");
#ifdef _WIN32
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN)) Fail("cannot position in");
#else
    if (::lseek(static_cast<int>(handle_), offset, SEEK_SET) < 0) Fail("cannot position in");
#endif
}

std::size_t TFile::Read(void* buffer, std::size_t size) {
    auto* p = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        std::size_t want = std::min<std::size_t>(size - done, 1u << 30);
#ifdef _WIN32
        DWORD got = 0;
        if (!ReadFile(H(handle_), p + done, static_cast<DWORD>(want), &got, nullptr)) Fail("cannot read");
#else
        ssize_t got = ::read(static_cast<int>(handle_), p + done, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("cannot read");
        }
#endif
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void TFile::ReadExact(void* buffer, std::size_t size) {
    std::size_t got = Read(buffer, size);
    if (got != size)
        throw EFileError("cannot read " + Quoted(path_) + ": " + std::to_string(size) + " bytes wanted, " +
                         std::to_string(got) + " left");
}

void TFile::Write(const void* buffer, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        std::size_t want = std::min<std::size_t>(size, 1u << 30);
#ifdef _WIN32
        DWORD put = 0;
        if (!WriteFile(H(handle_), p, static_cast<DWORD>(want), &put, nullptr)) Fail("cannot write");
#else
        ssize_t put = ::write(static_cast<int>(handle_), p, want);
        if (put < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write");
        }
#endif
        p += put;
        size -= static_cast<std::size_t>(put);
    }
}

}  // namespace stp
