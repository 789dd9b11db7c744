// The text form of a table: rows separated by "|", cells by ",", optionally preceded
// by a header "#cell,cell#" that fills the property row; and the stored form of cell
// texts in converted columns, where a value's comma and vertical bar must not be
// mistaken for separators.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stp {

constexpr char16_t kHeaderMark = u'#';
constexpr char16_t kRowSeparator = u'|';
constexpr char16_t kCellSeparator = u',';
// How a comma and a vertical bar of a value travel inside a converted cell.
constexpr char16_t kStoredComma = u'\x1A';
constexpr char16_t kStoredBar = u'\x1B';

// A text split into its optional header and its body.
struct TextFormParts {
    std::optional<std::u16string_view> Header;
    std::u16string_view Body;
};

// A header exists only when the text starts with "#" and a second "#" follows; the
// header is what lies between them and the body what follows the second.
TextFormParts SplitHeader(std::u16string_view sInit);

// The pieces of s between separators. U+0000 ends the text; a text that is empty at
// that point has no pieces. k separators give k + 1 pieces, empty ones included.
std::vector<std::u16string_view> SplitPieces(std::u16string_view s, char16_t Separator);

// The stored form of a text written into a converted column. Control characters
// become blanks (tab, LF and CR only when KeepLineBreaks is false); U+0000 ends it.
std::u16string ToStoredForm(std::u16string_view v, bool KeepLineBreaks);

// The value of a stored text: the stored comma and vertical bar turned back.
std::u16string ToRestoredForm(std::u16string_view Stored);

}  // namespace stp
