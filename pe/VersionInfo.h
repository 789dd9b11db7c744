// The version resource (RT_VERSION): the file and product versions and names that
// Explorer's Details tab and GetFileVersionInfo show, written and read without Windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pe/Resources.h"

namespace stp::pe {

// Not among ResourceType: only this file deals with it.
inline constexpr std::uint16_t rtVersion = 16;
// The code page of the strings we write: Unicode (UTF-16LE).
inline constexpr std::uint16_t kUnicodeCodePage = 1200;

// Major, minor, build, revision.
using VersionNumbers = std::array<std::uint16_t, 4>;

// Up to four dot-separated numbers from the start of a version text; missing parts are 0
// and whatever follows them is ignored: "3.40" -> 3.40.0.0, "2.0-beta" -> 2.0.0.0,
// "1.2.3.4.5" -> 1.2.3.4. Raises EPeError, quoting the text, when it does not start with a
// number or a part is over 65535.
VersionNumbers ParseVersionNumbers(std::u16string_view text);

// One String of a string table: key ("ProductName", "FileVersion" ...) and value.
using VersionString = std::pair<std::u16string, std::u16string>;

// What a build writes: the fixed numbers and one Unicode string table in Language, which
// the Translation names too.
struct VersionInfo {
    VersionNumbers FileVersion{};
    VersionNumbers ProductVersion{};
    std::uint16_t Language = 0;          // 0x0409 English (US), 0x0804 Chinese (simplified) ...
    std::vector<VersionString> Strings;  // written in this order
};

// The RT_VERSION data for info: VS_VERSIONINFO with its VS_FIXEDFILEINFO (an application
// for Windows NT, no flags set), a StringFileInfo holding one string table keyed by
// Language and code page 1200, and a VarFileInfo whose Translation names the same pair.
// The same info always gives the same bytes. Raises EPeError for an empty key, a key or
// value holding a NUL (Windows would cut it there), or a resource past the 64 KB its
// 16-bit lengths can describe.
std::string VersionInfoData(const VersionInfo& info);

// The same data as resource 1 of type RT_VERSION in info.Language, as compilers name it.
Resource VersionInfoResource(const VersionInfo& info);

struct VersionStringTable {
    std::uint16_t Language = 0;
    std::uint16_t CodePage = 0;
    std::vector<VersionString> Strings;  // in the order of the data

    bool operator==(const VersionStringTable&) const = default;
};

struct VersionTranslation {
    std::uint16_t Language = 0;
    std::uint16_t CodePage = 0;

    bool operator==(const VersionTranslation&) const = default;
};

// What a version resource holds, as read from any file, so every table and pair is kept.
struct VersionInfoContents {
    VersionNumbers FileVersion{};
    VersionNumbers ProductVersion{};
    std::vector<VersionStringTable> StringTables;
    std::vector<VersionTranslation> Translations;
};

// Reads RT_VERSION data, which may come from any file. Blocks of names other than the
// ones above are passed over. Raises EPeError, with the offset, for a block whose lengths
// run past its parent or the data, a key or value without its terminating NUL, a root that
// is not VS_VERSION_INFO or lacks a VS_FIXEDFILEINFO with its signature, a string table key
// that is not 8 hexadecimal digits, or a Translation that is not whole pairs; it never reads
// outside data.
VersionInfoContents ReadVersionInfo(std::string_view data);

}  // namespace stp::pe
