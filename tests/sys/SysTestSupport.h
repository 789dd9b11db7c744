// Shared fixtures of the Win32 helper tests: registry values put back after a test,
// scratch folders, and a watcher that finds and closes a dialog on the test thread.
#pragma once

#include <windows.h>

#include "tests/support/DialogWatcher.h"

#include <filesystem>
#include <string>
#include <vector>

namespace stp::test {

std::wstring W(const std::u16string& s);
std::u16string U(const std::wstring& s);

// Deletes Path below Root with everything in it, now and when the guard ends.
class ScratchKey {
public:
    ScratchKey(HKEY Root, std::wstring Path);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

private:
    HKEY root_;
    std::wstring path_;
};

// Remembers one registry value (or its absence) and puts it back when the guard ends.
class SavedValue {
public:
    SavedValue(HKEY Root, std::wstring Path, std::wstring Name);
    ~SavedValue();
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

    void SetString(const std::wstring& value) const;
    void SetDword(DWORD value) const;
    void Delete() const;

private:
    HKEY root_;
    std::wstring path_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// A fresh folder below the temporary folder, removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::u16string Text() const { return U(path_.wstring()); }
    // Every file below the folder, as paths relative to it, sorted.
    std::vector<std::wstring> Files() const;

private:
    std::filesystem::path path_;
};

// Writes a small file, creating its folders.
void WriteFile(const std::filesystem::path& path, const std::string& content);

}  // namespace stp::test
