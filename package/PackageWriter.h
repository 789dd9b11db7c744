// Writing setup packages: what the extractor reads, byte-identical for identical input.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/Deflater.h"

namespace stp {

// One file to store and where the extractor is to put it.
struct TPackageEntry {
    std::u16string Source;    // path of the file to store
    std::u16string Folder;    // "" for the destination folder, "sub\", "$System$", "$Third$sub\"
    std::u16string FileName;  // a bare file name
    bool Root = false;        // true writes the root flag: the file goes into the destination folder
};

struct TPackageOptions {
    int CipherIndex = 5;  // AES
    int HashIndex = 3;    // SHA-256
    std::u16string Password;
    int Level = 9;
    unsigned Threads = 0;                          // 0: one per core
    std::size_t WholeFileLimit = kWholeFileLimit;  // the largest file level max deflates whole
    // Envelope header; derived from the package's content when not given.
    std::optional<std::u16string> Salt;
    std::optional<std::u16string> Iv;
    // Hears the number of source bytes packed so far, as the work goes on.
    std::function<void(std::int64_t)> Progress;
};

struct TPackedFile {
    std::int64_t Compressed = 0;
    std::int64_t Uncompressed = 0;
};

// Normalises a row's folder: backslashes, the macros "$System$" and "$Third$"
// in the case the extractor knows, and a backslash at the end unless it is empty or a
// bare macro.
std::u16string NormalizeFolderSpec(std::u16string_view folder);

// The normalised folder, or EPackageError when the extractor would refuse
// it or put its files elsewhere: a comma, bar or control character, a folder leaving the
// destination, a "$" folder that is no macro, or a macro folder the extractor misplaces.
std::u16string CheckedFolderSpec(std::u16string_view folder);

// The file table's text form for the entries and their sizes.
std::u16string PackageTableText(const std::vector<TPackageEntry>& entries, const std::vector<TPackedFile>& sizes);

// Writes the package to output. Raises EPackageError for an entry the format cannot
// carry (a folder with "," or "|", a file name that is not bare, a file or total over
// 2 GiB) and EFileError for a file that cannot be read or written.
std::vector<TPackedFile> WritePackage(const std::vector<TPackageEntry>& entries, const std::u16string& output,
                                      const TPackageOptions& options);

// The same package handed to Out piece by piece (to memory, say), in order.
std::vector<TPackedFile> WritePackage(const std::vector<TPackageEntry>& entries, const TByteSink& out,
                                      const TPackageOptions& options);

}  // namespace stp
