#include "sys/PendingDeletes.h"

#include <windows.h>

#include <algorithm>

#include "datatable/Convert.h"
#include "sys/Handles.h"
#include "sys/WideText.h"

namespace stp {

namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPending[] = L"PendingFileRenameOperations";

// The multi-string's texts, empty ones included: they pair up as source and target.
std::vector<std::u16string> Texts(const std::u16string& multi) {
    std::vector<std::u16string> texts;
    std::size_t start = 0;
    while (start < multi.size()) {
        const std::size_t end = std::min(multi.find(u'\0', start), multi.size());
        texts.push_back(multi.substr(start, end - start));
        start = end + 1;
    }
    // The list's closing empty text is no entry's.
    while (texts.size() % 2 != 0 && !texts.empty() && texts.back().empty()) texts.pop_back();
    return texts;
}

std::u16string Unprefixed(const std::u16string& path) {
    for (const char16_t* prefix : {u"\\??\\", u"\\\\?\\"})
        if (path.rfind(prefix, 0) == 0) return path.substr(4);
    return path;
}

}  // namespace

bool CancelPendingDeletes(const std::u16string& Folder, const std::vector<std::u16string>& Files) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    const RegKey key(raw);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), kPending, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return true;
    if (type != REG_MULTI_SZ) return true;
    std::u16string multi(size / sizeof(char16_t), u'\0');
    if (RegQueryValueExW(key.get(), kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(multi.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    multi.resize(size / sizeof(char16_t));
    const std::vector<std::u16string> texts = Texts(multi);
    std::u16string kept;
    bool changed = false;
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
        const std::u16string source = Unprefixed(texts[i]);
        const bool ours = texts[i + 1].empty() && std::any_of(Files.begin(), Files.end(), [&](const std::u16string& f) {
                              return EqualsIgnoringAsciiCase(source, Folder + f);
                          });
        if (ours) {
            changed = true;
            continue;
        }
        kept += texts[i] + u'\0' + texts[i + 1] + u'\0';
    }
    if (!changed) return true;
    if (kept.empty()) return RegDeleteValueW(key.get(), kPending) == ERROR_SUCCESS;
    kept += u'\0';
    return RegSetValueExW(key.get(), kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                          static_cast<DWORD>(kept.size() * sizeof(char16_t))) == ERROR_SUCCESS;
}

}  // namespace stp
