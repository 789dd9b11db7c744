#include "package/FileList.h"

#include <algorithm>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/PathRules.h"

namespace stp {

namespace {

std::vector<std::string_view> Split(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t at = line.find(separator); at != std::string_view::npos; at = line.find(separator, start)) {
        fields.push_back(line.substr(start, at - start));
        start = at + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool Contains(const std::vector<std::u16string>& list, const std::u16string& item)
{
    return std::any_of(list.begin(), list.end(), [&](const std::u16string& x) { return EqualsIgnoringAsciiCase(x, item); });
}

std::size_t Depth(const std::u16string& folder)
{
    return static_cast<std::size_t>(std::count(folder.begin(), folder.end(), u'\\'));
}

}  // namespace

std::string WriteFileList(const std::vector<TFileListRow>& rows)
{
    std::string text;
    for (const TFileListRow& row : rows) text += ToUtf8(row.Folder) + "\t" + ToUtf8(row.Name) + "\t" + (row.Root ? "1" : "0") + "\n";
    return text;
}

std::vector<TFileListRow> ReadFileList(std::string_view text)
{
    std::vector<TFileListRow> rows;
    int number = 0;
    for (std::string_view line : Split(text, '\n')) {
        ++number;
        if (line.empty()) continue;
        const auto fields = Split(line, '\t');
        if (fields.size() != 3 || (fields[2] != "0" && fields[2] != "1"))
            throw EPackageError("file list line " + std::to_string(number) + " is not FOLDER<tab>NAME<tab>ROOT");
        rows.push_back({FromUtf8(fields[0]), FromUtf8(fields[1]), fields[2] == "1"});
    }
    return rows;
}

TUninstallPlan PlanUninstall(const std::vector<TFileListRow>& rows, const std::u16string& Destination)
{
    TUninstallPlan plan;
    for (const TFileListRow& row : rows) {
        std::u16string folder = row.Folder;
        for (char16_t& c : folder)
            if (c == u'/') c = u'\\';
        if (!row.Root && IsMacroFolder(folder)) continue;  // shared system files stay
        if (row.Root) folder.clear();
        if (!IsContainedFolder(folder) || !IsPlainFileName(LastPathComponent(row.Name))) continue;
        // Joined as the extractor joins them: a folder without its backslash runs into the
        // name (the writer always stores the backslash).
        const std::u16string file = Destination + folder + std::u16string(LastPathComponent(row.Name));
        if (!Contains(plan.Files, file)) plan.Files.push_back(file);
        // Every folder on the way down, so each can go once it is empty.
        for (std::size_t cut = folder.find(u'\\'); cut != std::u16string::npos; cut = folder.find(u'\\', cut + 1)) {
            const std::u16string sub = Destination + folder.substr(0, cut + 1);
            if (!Contains(plan.Folders, sub)) plan.Folders.push_back(sub);
        }
    }
    std::stable_sort(plan.Folders.begin(), plan.Folders.end(),
                     [](const std::u16string& a, const std::u16string& b) { return Depth(a) > Depth(b); });
    plan.Folders.push_back(Destination);
    return plan;
}

}  // namespace stp
