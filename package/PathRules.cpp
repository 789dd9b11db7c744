#include "package/PathRules.h"

#include <algorithm>

#include "datatable/Convert.h"
#include "package/Format.h"

namespace stp {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Windows drops the dots and spaces a name ends with, so a component of dots and
// spaces alone (".. ", "...") may come to mean "..": only "" and "." stay where they are.
bool IsDotsAndSpaces(std::u16string_view component) {
    return component.find_first_not_of(u". ") == std::u16string_view::npos && component != u"" && component != u".";
}

// Names Windows takes for a device in any folder, whatever extension follows them.
constexpr std::u16string_view kDeviceNames[] = {u"CON", u"PRN", u"AUX", u"NUL"};
// Numbered devices: one of these, then one of kDeviceDigits (superscripts included).
constexpr std::u16string_view kNumberedDevices[] = {u"COM", u"LPT"};
constexpr std::u16string_view kDeviceDigits = u"123456789\u00B9\u00B2\u00B3";
// Besides the separator "\" and the codes below 32.
constexpr std::u16string_view kForbiddenInNames = u"<>:\"/|?*";

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The part of a component Windows compares with device names: up to the first dot,
// without the spaces it ends with ("Con .x" is CON).
std::u16string_view DeviceStem(std::u16string_view component) {
    const std::u16string_view stem = component.substr(0, component.find(u'.'));
    const std::size_t last = stem.find_last_not_of(u' ');
    return last == std::u16string_view::npos ? std::u16string_view() : stem.substr(0, last + 1);
}

bool IsDeviceName(std::u16string_view component) {
    const std::u16string_view stem = DeviceStem(component);
    for (std::u16string_view name : kDeviceNames)
        if (EqualsIgnoringAsciiCase(stem, name)) return true;
    if (stem.size() != 4 || kDeviceDigits.find(stem[3]) == std::u16string_view::npos) return false;
    for (std::u16string_view name : kNumberedDevices)
        if (EqualsIgnoringAsciiCase(stem.substr(0, 3), name)) return true;
    return false;
}

// A folder name Windows keeps as written: it drops a trailing dot or space (which also
// covers ".", ".." and dots and spaces alone), and opens a device for a device name.
bool IsPlainFolderName(std::u16string_view component) {
    if (component.empty() || component.back() == u'.' || component.back() == u' ') return false;
    for (char16_t c : component)
        if (c < 32 || kForbiddenInNames.find(c) != std::u16string_view::npos) return false;
    return !IsDeviceName(component);
}

std::u16string ReplaceIgnoringCase(std::u16string_view text, std::u16string_view what, std::u16string_view with) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= what.size() && EqualsIgnoringAsciiCase(text.substr(i, what.size()), what)) {
            out += with;
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

std::u16string_view LastPathComponent(std::u16string_view fileName) {
    std::size_t cut = fileName.find_last_of(u"\\:");
    return cut == std::u16string_view::npos ? fileName : fileName.substr(cut + 1);
}

bool IsContainedFolder(std::u16string_view folderSpec) {
    if (!folderSpec.empty() && IsSeparator(folderSpec.front())) return false;
    if (folderSpec.find(u':') != std::u16string_view::npos) return false;
    std::size_t start = 0;
    while (start <= folderSpec.size()) {
        std::size_t end = start;
        while (end < folderSpec.size() && !IsSeparator(folderSpec[end])) ++end;
        if (IsDotsAndSpaces(folderSpec.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

bool IsPlainFileName(std::u16string_view name) {
    return !name.empty() && name != u"." && !IsDotsAndSpaces(name) && name.find(u'/') == std::u16string_view::npos;
}

constexpr std::size_t kMaxNameLength = 255;

bool IsPlainSetupDir(std::u16string_view Folder) {
    // "\\?\", "\\.\", UNC and drive-relative forms all fail here.
    if (Folder.size() < 3 || !IsAsciiLetter(Folder[0]) || Folder[1] != u':' || Folder[2] != u'\\') return false;
    std::u16string_view rest = Folder.substr(3);
    if (rest.empty()) return true;  // the drive's root
    if (rest.back() == u'\\') rest.remove_suffix(1);
    // Each piece between separators, so a doubled separator anywhere shows as an empty one.
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(rest.find(u'\\', start), rest.size());
        // A name longer than the file systems hold would be cut short on its way down.
        if (end - start > kMaxNameLength || !IsPlainFolderName(rest.substr(start, end - start))) return false;
        if (end == rest.size()) return true;
        start = end + 1;
    }
}

bool IsMacroFolder(std::u16string_view folderSpec) { return !folderSpec.empty() && folderSpec.front() == u'$'; }

std::u16string ExpandMacroFolder(std::u16string_view folderSpec, std::u16string_view systemDir) {
    if (folderSpec.find(u"System") != std::u16string_view::npos)
        return ReplaceIgnoringCase(folderSpec, kSystemMacro, systemDir);
    return ReplaceIgnoringCase(folderSpec, kThirdMacro, systemDir);
}

std::optional<std::u16string> SafeMacroFolder(std::u16string_view folderSpec, std::u16string_view systemDir) {
    if (systemDir.empty()) return std::nullopt;
    std::u16string folder = ExpandMacroFolder(folderSpec, systemDir);
    if (folder.compare(0, systemDir.size(), systemDir) != 0) return std::nullopt;
    std::u16string_view rest = std::u16string_view(folder).substr(systemDir.size());
    while (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
    if (!IsContainedFolder(rest)) return std::nullopt;
    return folder;
}

}  // namespace stp
