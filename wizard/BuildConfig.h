// The build configuration an installer carries in its string table: entries 1001 to
// 1012 as the wizard and the guard read them, and the product texts 2000 to 2004 that
// the product folder adds (text mode, agreement copyright lines, web addresses).
#pragma once

#include <string>
#include <string_view>

namespace stp {

enum BuildString : unsigned {
    bsWindowClass = 1001,
    bsTitleEnglish = 1002,
    bsTitleChinese = 1003,
    bsDisplayNameEnglish = 1004,
    bsDisplayNameChinese = 1005,
    bsFreeware = 1009,
    bsExeName = 1010,
    bsVersion = 1011,
    bsNeedSize = 1012,
    bsTextMode = 2000,
    bsCopyrightAuthor = 2001,
    bsCopyrightMaker = 2002,
    bsWebChinese = 2003,
    bsWebHome = 2004,
};

// Entry Id of the resource module's string table; empty when missing.
std::u16string BuildConfigString(BuildString Id);

// The freeware flag: any number but 0, or "True", is true; 0 or "False" is false (the
// words in any letter case). Raises EConvertError for any other text.
bool ReadFreewareFlag(std::u16string_view Text);

// The text mode the product selects: 2 when entry 2000 reads "2", else 0.
int ConfiguredLanguageMode();

}  // namespace stp
