#include "SysTestSupport.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace stp::test {

namespace {

// The helpers run on a single-threaded COM apartment, as the program's UI thread does.
class ComApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

[[maybe_unused]] ::testing::Environment* const kComApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

HKEY CreateKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot create test key";
    return key;
}

}  // namespace

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

ScratchKey::ScratchKey(HKEY Root, std::wstring Path) : root_(Root), path_(std::move(Path)) {
    RegDeleteTreeW(root_, path_.c_str());
}

ScratchKey::~ScratchKey() { RegDeleteTreeW(root_, path_.c_str()); }

SavedValue::SavedValue(HKEY Root, std::wstring Path, std::wstring Name)
    : root_(Root), path_(std::move(Path)), name_(std::move(Name)) {
    const HKEY key = CreateKey(root_, path_);
    DWORD size = 0;
    if (RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegQueryValueExW(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
}

SavedValue::~SavedValue() {
    const HKEY key = CreateKey(root_, path_);
    if (existed_)
        RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

void SavedValue::SetString(const std::wstring& value) const {
    const HKEY key = CreateKey(root_, path_);
    RegSetValueExW(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void SavedValue::SetDword(DWORD value) const {
    const HKEY key = CreateKey(root_, path_);
    RegSetValueExW(key, name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void SavedValue::Delete() const {
    const HKEY key = CreateKey(root_, path_);
    RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[MAX_PATH] = {};
    GetTempFileNameW(temp, L"stp", 0, name);
    // GetTempFileNameW reserves the name as a file; the folder takes its place.
    std::filesystem::remove(name);
    path_ = name;
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::wstring> ScratchFolder::Files() const {
    std::vector<std::wstring> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
        if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(path_).wstring());
    std::sort(files.begin(), files.end());
    return files;
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace stp::test
