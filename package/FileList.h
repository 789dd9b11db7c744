// The list of the files a package puts into the destination folder, as stp build writes
// it into the uninstaller and the uninstaller reads it: one row a line, UTF-8,
// FOLDER <tab> NAME <tab> ROOT <tab> SIZE <tab> SUM, FOLDER the row's folder as the
// package table holds it, ROOT "1" or "0", SIZE the file's length in bytes and SUM its
// Adler-32 in eight hexadecimal digits; "-" for both marks the uninstaller itself, which
// cannot hold its own sum. Shared by the writer and the reader, so the two cannot drift.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stp {

// What a file was when it was installed.
struct TFileStamp {
    std::int64_t Size = 0;
    std::uint32_t Sum = 1;  // Adler-32

    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

struct TFileListRow {
    std::u16string Folder;
    std::u16string Name;
    bool Root = false;
    std::optional<TFileStamp> Stamp;  // none: the uninstaller itself

    friend bool operator==(const TFileListRow&, const TFileListRow&) = default;
};

std::string WriteFileList(const std::vector<TFileListRow>& rows);

// Raises EPackageError naming the line for a line that is not five fields as above.
std::vector<TFileListRow> ReadFileList(std::string_view text);

// The stamp of Bytes, as the uninstaller checks it: their length and Adler-32.
TFileStamp StampOf(const void* Bytes, std::size_t Size, TFileStamp Start = {});

// The stamp of the file at Path, read through the file layer.
TFileStamp StampOfFile(const std::u16string& Path);

// What an uninstaller removes, relative to the destination folder: every file the rows
// put below it (macro rows, which go to the shared system folder, never), each with what
// it was when installed; then the folders that may have become empty, deepest first
// (not the destination itself). Paths are backslash-separated without a trailing
// backslash; they follow the extractor's rules, and rows it would refuse are left out.
struct TPlannedFile {
    std::u16string Path;
    std::optional<TFileStamp> Stamp;  // none: the uninstaller itself

    friend bool operator==(const TPlannedFile&, const TPlannedFile&) = default;
};
struct TUninstallPlan {
    std::vector<TPlannedFile> Files;
    std::vector<std::u16string> Folders;
};
TUninstallPlan PlanUninstall(const std::vector<TFileListRow>& rows);

// What an upgrade leaves behind: the rows of an earlier installation's lists (Earlier)
// whose files the new package does not write (Written: paths relative to the destination
// folder, as PlanUninstall names them, in any letter case). The uninstallers' own rows,
// shared system files and rows PlanUninstall would refuse are left out, and each path
// is kept once.
std::vector<TFileListRow> RowsLeftBehind(const std::vector<TFileListRow>& Earlier,
                                         const std::vector<std::u16string>& Written);

}  // namespace stp
