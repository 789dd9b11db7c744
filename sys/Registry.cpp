#include "sys/Registry.h"

#include <algorithm>
#include <vector>

#include "datatable/Text.h"
#include "sys/Handles.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// The registry refuses a subkey path that starts with a separator.
std::u16string RelativePath(const std::u16string& Path) {
    return (!Path.empty() && Path.front() == u'\\') ? Path.substr(1) : Path;
}

// Opens or creates Path below Root; the error code of the registry on failure.
LSTATUS CreateKey(HKEY Root, const std::u16string& Path, RegKey& key) {
    HKEY raw = nullptr;
    const LSTATUS status = RegCreateKeyExW(Root, AsWide(RelativePath(Path)), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    if (status == ERROR_SUCCESS) key.reset(raw);
    return status;
}

RegKey OpenKey(HKEY Root, const std::u16string& Path) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(Root, AsWide(RelativePath(Path)), 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return nullptr;
    return RegKey(raw);
}

[[noreturn]] void RaiseRegistryError(const char* format, const std::u16string& argument) {
    const std::string text = ToUtf8(argument);
    const std::string f(format);
    const std::size_t at = f.find("%s");
    throw ERegistryError(f.substr(0, at) + text + f.substr(at + 2));
}

}  // namespace

bool RegCreateKeyPath(HKEY Root, const std::u16string& Path) {
    RegKey key;
    if (CreateKey(Root, Path, key) != ERROR_SUCCESS) RaiseRegistryError("Failed to create key %s", Path);
    return true;
}

bool RegWriteStringValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName,
                         const std::u16string& Value) {
    RegKey key;
    if (CreateKey(Root, Path, key) != ERROR_SUCCESS) return false;
    const DWORD bytes = static_cast<DWORD>((Value.size() + 1) * sizeof(char16_t));
    if (RegSetValueExW(key.get(), AsWide(ValueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), bytes) !=
        ERROR_SUCCESS)
        RaiseRegistryError("Failed to set data for '%s'", ValueName);
    return true;
}

bool RegWriteDwordValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName, std::uint32_t Value) {
    RegKey key;
    if (CreateKey(Root, Path, key) != ERROR_SUCCESS) return false;
    const DWORD data = Value;
    if (RegSetValueExW(key.get(), AsWide(ValueName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS)
        RaiseRegistryError("Failed to set data for '%s'", ValueName);
    return true;
}

std::u16string ReadStringFromKey(HKEY Key, const std::u16string& ValueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(Key, AsWide(ValueName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(Key, AsWide(ValueName), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        RaiseRegistryError("Failed to get data for '%s'", ValueName);
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseRegistryError("Invalid data type for '%s'", ValueName);
    // String data need not end in a NUL, nor hold whole characters: read only what is there.
    std::u16string text(size / sizeof(char16_t), u'\0');
    std::copy_n(data.data(), text.size() * sizeof(char16_t), reinterpret_cast<BYTE*>(text.data()));
    return text.substr(0, text.find(u'\0'));
}

std::u16string RegReadStringValue(HKEY Root, const std::u16string& Path, const std::u16string& ValueName) {
    const RegKey key = OpenKey(Root, Path);
    if (!key) return {};
    return ReadStringFromKey(key.get(), ValueName);
}

std::vector<std::u16string> RegSubKeyNames(HKEY Root, const std::u16string& Path) {
    std::vector<std::u16string> names;
    const RegKey key = OpenKey(Root, Path);
    if (!key) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};  // a key name has at most 255 characters
        DWORD length = 256;
        const LSTATUS status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.push_back(std::u16string(reinterpret_cast<const char16_t*>(name), length));
    }
    return names;
}

bool RegDeleteKeyTree(HKEY Root, const std::u16string& Path) {
    const std::u16string relative = RelativePath(Path);
    if (relative.empty()) return false;  // never the root itself
    return RegDeleteTreeW(Root, AsWide(relative)) == ERROR_SUCCESS;
}

}  // namespace stp
