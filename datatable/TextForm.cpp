#include "datatable/TextForm.h"

namespace stp {

namespace {

std::u16string_view UpToNull(std::u16string_view s) {
    std::size_t end = s.find(u'\0');
    return end == std::u16string_view::npos ? s : s.substr(0, end);
}

bool IsLineBreakOrTab(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

TextFormParts SplitHeader(std::u16string_view sInit) {
    if (sInit.empty() || sInit[0] != kHeaderMark) return {std::nullopt, sInit};
    std::size_t close = sInit.find(kHeaderMark, 1);
    if (close == std::u16string_view::npos) return {std::nullopt, sInit};
    return {sInit.substr(1, close - 1), sInit.substr(close + 1)};
}

std::vector<std::u16string_view> SplitPieces(std::u16string_view s, char16_t Separator) {
    std::vector<std::u16string_view> pieces;
    s = UpToNull(s);
    if (s.empty()) return pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t sep = s.find(Separator, start);
        if (sep == std::u16string_view::npos) break;
        pieces.push_back(s.substr(start, sep - start));
        start = sep + 1;
    }
    pieces.push_back(s.substr(start));
    return pieces;
}

std::u16string ToStoredForm(std::u16string_view v, bool KeepLineBreaks) {
    std::u16string stored;
    stored.reserve(v.size());
    for (char16_t c : v) {
        if (c == u'\0') break;
        if (c == kCellSeparator) {
            stored += kStoredComma;
        } else if (c == kRowSeparator) {
            stored += kStoredBar;
        } else if (IsLineBreakOrTab(c)) {
            stored += KeepLineBreaks ? c : u' ';
        } else if (c < u' ') {
            // Includes U+001A and U+001B themselves: a raw one would read back as a separator.
            stored += u' ';
        } else {
            stored += c;
        }
    }
    return stored;
}

std::u16string ToRestoredForm(std::u16string_view Stored) {
    std::u16string text(Stored);
    for (char16_t& c : text) {
        if (c == kStoredComma)
            c = kCellSeparator;
        else if (c == kStoredBar)
            c = kRowSeparator;
    }
    return text;
}

}  // namespace stp
