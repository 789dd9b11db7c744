// The list of the files a package puts into the destination folder, as stp build writes
// it into the uninstaller and the uninstaller reads it: one row a line, UTF-8,
// FOLDER <tab> NAME <tab> ROOT ("1" or "0"), FOLDER the row's folder as the package table holds it.
// Shared by the writer and the reader, so the two cannot drift apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stp {

struct TFileListRow {
    std::u16string Folder;
    std::u16string Name;
    bool Root = false;

    friend bool operator==(const TFileListRow&, const TFileListRow&) = default;
};

std::string WriteFileList(const std::vector<TFileListRow>& rows);

// Raises EPackageError naming the line for a line without its three fields.
std::vector<TFileListRow> ReadFileList(std::string_view text);

// What an uninstaller removes: every file the rows put below Destination (macro rows,
// which go to the shared system folder, never), then the folders that may have become
// empty, deepest first, Destination last. Destination ends with a backslash; the paths
// follow the extractor's rules, and rows the extractor would refuse are left out.
struct TUninstallPlan {
    std::vector<std::u16string> Files;
    std::vector<std::u16string> Folders;
};
TUninstallPlan PlanUninstall(const std::vector<TFileListRow>& rows, const std::u16string& Destination);

}  // namespace stp
