#include "package/PathRules.h"

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

std::u16string ReplaceIgnoringCase(std::u16string_view text, std::u16string_view what,
                                   std::u16string_view with) {
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
