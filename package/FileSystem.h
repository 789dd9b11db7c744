// The file layer under the package reader and writer. Paths are UTF-16 texts with
// Windows semantics (backslash-separated); on POSIX systems a backslash maps to "/".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace stp {

#ifdef _WIN32
// The system's message for a Win32 error code, without its closing full stop; "system
// error N" when it has none.
std::string SystemErrorText(std::uint32_t code);
#endif

bool FileExists(std::u16string_view path);
bool DirectoryExists(std::u16string_view path);
// Creates the folder and every missing parent; false when it is not there afterwards.
bool ForceDirectories(std::u16string_view path);

// An open file, closed with the object. Errors are EFileError naming the file.
class TFile {
public:
    // Opens an existing file for reading; no other opener may share it meanwhile.
    static TFile OpenRead(std::u16string_view path);
    // Creates the file anew, replacing any existing one, for writing without sharing.
    static TFile CreateAlways(std::u16string_view path);
    // Creates the file anew for writing and reading back through this handle; while it
    // is open others may read it, but neither write, delete nor rename it.
    static TFile CreateHeld(std::u16string_view path);

    TFile(TFile&& other) noexcept;
    TFile& operator=(TFile&& other) noexcept;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile();

    std::int64_t Size() const;
    std::int64_t Position() const;
    void Seek(std::int64_t offset);
    // Reads up to size bytes; fewer only at the end of the file.
    std::size_t Read(void* buffer, std::size_t size);
    // Reads exactly size bytes or raises a read error.
    void ReadExact(void* buffer, std::size_t size);
    void Write(const void* buffer, std::size_t size);
    // Ends the file at the current position.
    void Truncate();
    void Close();
    // Deletes the file through this handle (CreateHeld's) and closes it.
    void Delete();

    const std::u16string& Path() const { return path_; }
    // The native handle (a HANDLE on Windows, a descriptor elsewhere).
    std::intptr_t Native() const { return handle_; }
    // Takes over an open handle (HeldTree's), closing it with the object.
    static TFile Adopt(std::u16string path, std::intptr_t handle) { return TFile(std::move(path), handle); }

private:
    TFile(std::u16string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}
    [[noreturn]] void Fail(const char* what) const;

    std::u16string path_;
    std::intptr_t handle_;
};

}  // namespace stp
