#include "package/FileList.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/PathRules.h"

namespace stp {

namespace {

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t at = line.find(separator); at != std::string_view::npos; at = line.find(separator, start)) {
        fields.push_back(line.substr(start, at - start));
        start = at + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool ContainsPath(const std::vector<std::u16string>& list, const std::u16string& item) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::u16string& x) { return EqualsIgnoringAsciiCase(x, item); });
}

std::size_t Depth(const std::u16string& folder) {
    return static_cast<std::size_t>(std::count(folder.begin(), folder.end(), u'\\'));
}

// Digits only, in the given base, the whole field: nothing a reader could take two ways.
std::optional<std::uint64_t> Number(std::string_view field, int base, std::size_t maxDigits) {
    if (field.empty() || field.size() > maxDigits) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : field) {
        int digit = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::optional<TFileStamp>> ParseStamp(std::string_view size, std::string_view sum) {
    if (size == "-" && sum == "-") return std::optional<TFileStamp>();
    const auto length = Number(size, 10, 18);
    const auto adler = Number(sum, 16, 8);
    if (!length || !adler || sum.size() != 8) return std::nullopt;
    return std::optional<TFileStamp>(
        TFileStamp{static_cast<std::int64_t>(*length), static_cast<std::uint32_t>(*adler)});
}

// The path as Windows opens it, one component after another: empty and "." components
// dropped, trailing dots and spaces of each cut off.
std::u16string WindowsPathParts(const std::u16string& file) {
    std::u16string path;
    for (std::size_t start = 0; start <= file.size();) {
        const std::size_t cut = std::min(file.find(u'\\', start), file.size());
        std::u16string part = file.substr(start, cut - start);
        if (part != u"." && part != u"..")
            while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
        if (!part.empty() && part != u".") path += (path.empty() ? u"" : u"\\") + part;
        start = cut + 1;
    }
    return path;
}

}  // namespace

std::string WriteFileList(const std::vector<TFileListRow>& rows) {
    std::string text;
    for (const TFileListRow& row : rows) {
        text += ToUtf8(row.Folder) + "\t" + ToUtf8(row.Name) + "\t" + (row.Root ? "1" : "0") + "\t";
        if (row.Stamp) {
            // By hand: the stubs link this file, and printf's machinery is large.
            std::string sum(8, '0');
            for (std::size_t i = 0; i < 8; ++i) sum[7 - i] = "0123456789abcdef"[(row.Stamp->Sum >> (4 * i)) & 15];
            text += std::to_string(row.Stamp->Size) + "\t" + sum + "\n";
        } else {
            text += "-\t-\n";
        }
    }
    return text;
}

std::vector<TFileListRow> ReadFileList(std::string_view text) {
    std::vector<TFileListRow> rows;
    int number = 0;
    for (std::string_view line : Split(text, '\n')) {
        ++number;
        if (line.empty()) continue;
        const auto fields = Split(line, '\t');
        const auto stamp = fields.size() == 5 ? ParseStamp(fields[3], fields[4]) : std::nullopt;
        if (!stamp || (fields[2] != "0" && fields[2] != "1"))
            throw EPackageError("file list line " + std::to_string(number) +
                                " is not FOLDER<tab>NAME<tab>ROOT<tab>SIZE<tab>SUM");
        rows.push_back({FromUtf8(fields[0]), FromUtf8(fields[1]), fields[2] == "1", *stamp});
    }
    return rows;
}

TFileStamp StampOf(const void* Bytes, std::size_t Size, TFileStamp Start) {
    const auto* bytes = static_cast<const Bytef*>(Bytes);
    uLong sum = Start.Sum;
    // zlib takes a uInt length: fed in pieces it can hold.
    for (std::size_t done = 0; done < Size;) {
        const std::size_t piece = std::min<std::size_t>(Size - done, 1u << 30);
        sum = adler32(sum, bytes + done, static_cast<uInt>(piece));
        done += piece;
    }
    return {Start.Size + static_cast<std::int64_t>(Size), static_cast<std::uint32_t>(sum)};
}

TFileStamp StampOfFile(const std::u16string& Path) {
    TFile file = TFile::OpenRead(Path);
    std::vector<char> buffer(1 << 20);
    TFileStamp stamp;
    while (const std::size_t n = file.Read(buffer.data(), buffer.size())) stamp = StampOf(buffer.data(), n, stamp);
    return stamp;
}

TUninstallPlan PlanUninstall(const std::vector<TFileListRow>& rows) {
    TUninstallPlan plan;
    std::vector<std::u16string> files;
    for (const TFileListRow& row : rows) {
        std::u16string folder = row.Folder;
        for (char16_t& c : folder)
            if (c == u'/') c = u'\\';
        if (!row.Root && IsMacroFolder(folder)) continue;  // shared system files stay
        if (row.Root) folder.clear();
        if (!IsContainedFolder(folder) || !IsPlainFileName(LastPathComponent(row.Name))) continue;
        // Joined as the extractor joins them: a folder without its backslash runs into the
        // name (the writer always stores the backslash).
        const std::u16string path = WindowsPathParts(folder + std::u16string(LastPathComponent(row.Name)));
        if (path.empty()) continue;
        if (ContainsPath(files, path)) continue;
        files.push_back(path);
        plan.Files.push_back({path, row.Stamp});
        // Every folder on the way down, so each can go once it is empty.
        for (std::size_t cut = path.find(u'\\'); cut != std::u16string::npos; cut = path.find(u'\\', cut + 1))
            if (!ContainsPath(plan.Folders, path.substr(0, cut))) plan.Folders.push_back(path.substr(0, cut));
    }
    std::stable_sort(plan.Folders.begin(), plan.Folders.end(),
                     [](const std::u16string& a, const std::u16string& b) { return Depth(a) > Depth(b); });
    return plan;
}

std::vector<TFileListRow> RowsLeftBehind(const std::vector<TFileListRow>& Earlier,
                                         const std::vector<std::u16string>& Written) {
    std::vector<TFileListRow> left;
    std::vector<std::u16string> seen = Written;
    for (const TFileListRow& row : Earlier) {
        if (!row.Stamp) continue;
        const TUninstallPlan plan = PlanUninstall({row});
        if (plan.Files.empty() || ContainsPath(seen, plan.Files[0].Path)) continue;
        seen.push_back(plan.Files[0].Path);
        left.push_back(row);
    }
    return left;
}

}  // namespace stp
