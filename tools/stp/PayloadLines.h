// The lines of a payload list: payload.txt of stp build, a manifest of stp pack. A line
// SOURCE<tab>FOLDER[<tab>root] takes a file, every file below a folder, or the files of a
// folder whose names match a pattern (* and ? in SOURCE's last part); a line !PATTERN
// leaves files out of the lines above it. Files come in a fixed order, so that the same
// tree always gives the same package.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "package/PackageWriter.h"

namespace stp::tool {

// What one line did: the files a SOURCE line took (after the exclusions below it), or
// the files an exclusion line left out.
struct PayloadLineReport {
    int Number = 0;
    std::string Text;  // the SOURCE, or "!PATTERN"
    bool Exclusion = false;
    std::size_t Files = 0;
};

struct PayloadList {
    std::vector<TPackageEntry> Entries;    // line by line, a folder's or pattern's files sorted by path
    std::vector<PayloadLineReport> Lines;  // one for each SOURCE or exclusion line, in order
};

// Reads the list; relative sources are taken from its folder. Raises UsageError for a
// line of no known form, and std::runtime_error naming the list and line for a source
// that is missing, a folder or pattern that takes no file, a link inside a folder row,
// or a folder the package cannot carry.
PayloadList ReadPayloadList(const std::filesystem::path& list);

// Whether Text matches Pattern: "*" any run of characters but "/", "?" one character,
// anything else itself; letter case as the file system compares it (ignored on Windows,
// byte-exact elsewhere).
bool MatchesPattern(std::string_view pattern, std::string_view text);

}  // namespace stp::tool
