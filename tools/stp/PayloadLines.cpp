#include "tools/stp/PayloadLines.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/Command.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr char kRowForm[] = "expected SOURCE<tab>FOLDER[<tab>root] or !PATTERN";

// ---- Matching

// The characters of UTF-8 text as the file system compares them. A byte that starts no
// whole character stands for itself, so that any name of a POSIX system can be matched.
std::u32string Comparable(std::string_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        char32_t point = extra <= 0 ? c : c & (0x3F >> extra);
        bool whole = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; whole && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            whole = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        if (!whole) {
            points += c;
            ++i;
            continue;
        }
#ifdef _WIN32
        // Windows' file systems take a name in any letter case; a character in the low
        // word makes CharUpperW convert that character.
        if (point < 0x10000)
            point = static_cast<char32_t>(
                reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(point)))));
#endif
        points += point;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return points;
}

// The parts of a "/"-separated path.
std::vector<std::u32string> Parts(std::string_view path) {
    std::vector<std::u32string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        parts.push_back(Comparable(path.substr(start, slash - start)));
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

// One part against a pattern without "/": on a mismatch the last "*" takes one character
// more, which finds a match whenever there is one.
bool MatchesPart(const std::u32string& pattern, const std::u32string& text) {
    constexpr std::size_t kNone = std::u32string::npos;
    std::size_t p = 0, t = 0, star = kNone, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (star != kNone) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

// Whether the pattern's parts match the text's first parts: all of them, or (Leading)
// as many as the pattern has, so that a pattern matching a folder takes what lies below.
bool MatchesParts(const std::vector<std::u32string>& pattern, const std::vector<std::u32string>& text, bool leading) {
    if (leading ? pattern.size() > text.size() : pattern.size() != text.size()) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (!MatchesPart(pattern[i], text[i])) return false;
    return true;
}

// A line !PATTERN: without "/" it matches a file's name, with "/" its path below its
// row's folder or a folder on that path ("tests/*", "tests/" and "/tests" all leave out
// everything below tests/).
struct Exclusion {
    std::vector<std::u32string> Pattern;
    bool ByPath = false;

    bool LeavesOut(std::string_view path) const {
        const std::vector<std::u32string> parts = Parts(path);
        return ByPath ? MatchesParts(Pattern, parts, true) : MatchesPart(Pattern.front(), parts.back());
    }
};

Exclusion ReadExclusion(std::string pattern, const std::string& where) {
    std::replace(pattern.begin(), pattern.end(), '\\', '/');
    Exclusion exclusion;
    exclusion.ByPath = pattern.find('/') != std::string::npos;
    const std::size_t first = pattern.find_first_not_of('/');
    if (first == std::string::npos) throw UsageError(where + kRowForm);
    pattern = pattern.substr(first, pattern.find_last_not_of('/') + 1 - first);
    exclusion.Pattern = Parts(pattern);
    return exclusion;
}

// ---- Files

enum class EntryKind { File, Folder, Link, Other };

// What a folder's entry is, a link told apart from what it leads to: links inside a
// folder row are not followed.
EntryKind KindOf(const fs::path& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Other;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        struct FindCloser {
            void operator()(HANDLE find) const noexcept { FindClose(find); }
        };
        WIN32_FIND_DATAW data{};
        const HANDLE find = FindFirstFileW(path.c_str(), &data);
        const std::unique_ptr<void, FindCloser> owner(find == INVALID_HANDLE_VALUE ? nullptr : find);
        // Symbolic links and junctions lead elsewhere (their tags mark a name that stands
        // for another); other reparse points (a file kept in the cloud, a deduplicated
        // one) are the file itself. No tag at all is what Wine gives a POSIX link.
        if (!owner || data.dwReserved0 == 0 || IsReparseTagNameSurrogate(data.dwReserved0)) return EntryKind::Link;
    }
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::Folder : EntryKind::File;
#else
    switch (fs::symlink_status(path).type()) {
    case fs::file_type::regular: return EntryKind::File;
    case fs::file_type::directory: return EntryKind::Folder;
    case fs::file_type::symlink: return EntryKind::Link;
    default: return EntryKind::Other;
    }
#endif
}

// A path's last part as UTF-8; a POSIX name's bytes as they are.
std::string NameOf(const fs::path& path) {
#ifdef _WIN32
    return ToUtf8(path.filename().u16string());
#else
    return path.filename().string();
#endif
}

struct Item {
    std::string Path;  // below its row's folder, "/" between parts: what exclusions match
    fs::path Source;
    EntryKind Kind = EntryKind::File;
    int LeftOutBy = 0;  // the exclusion line that left it out, if one did
};

void Walk(const fs::path& folder, const std::string& below, std::vector<Item>& items) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string path = below + NameOf(entry.path());
        const EntryKind kind = KindOf(entry.path());
        if (kind == EntryKind::Folder)
            Walk(entry.path(), path + "/", items);
        else
            items.push_back({path, entry.path(), kind});
    }
}

enum class RowForm { File, Folder, Pattern };

struct Row {
    int Number = 0;
    std::size_t Report = 0;  // its line's place in the reports
    std::string Where;       // "LIST:LINE: "
    RowForm Form = RowForm::File;
    std::string Source;
    std::u16string Folder;  // checked
    bool Root = false;
    std::vector<Item> Items;  // sorted by path
};

std::vector<std::string> SplitTabs(const std::string& line) {
    // Every tab ends a field, so "SOURCE<tab>" has an empty FOLDER (the destination
    // folder) as its second field.
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// The files of a pattern row: those of its folder whose names match its last part.
void TakeMatches(const fs::path& base, std::string source, Row& row) {
    std::replace(source.begin(), source.end(), '\\', '/');
    const std::size_t slash = source.rfind('/');
    const std::string folderPart = slash == std::string::npos ? "" : source.substr(0, slash);
    const std::string pattern = source.substr(slash == std::string::npos ? 0 : slash + 1);
    const fs::path folder = base / NativePath(FromUtf8(folderPart));
    if (!fs::is_directory(folder)) throw std::runtime_error(row.Where + "no folder '" + folder.string() + "'");
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = NameOf(entry.path());
        const EntryKind kind = KindOf(entry.path());
        if (kind != EntryKind::Folder && MatchesPattern(pattern, name)) row.Items.push_back({name, entry.path(), kind});
    }
}

Row ReadRow(const fs::path& base, const std::vector<std::string>& fields, Row row) {
    row.Source = fields[0];
    row.Root = fields.size() == 3;
    try {
        row.Folder = CheckedFolderSpec(FromUtf8(fields[1]));
        const std::size_t slash = row.Source.find_last_of("/\\");
        if (slash != std::string::npos && row.Source.find_first_of("*?") < slash)
            throw UsageError(row.Where + "only the last part of SOURCE may hold * or ?");
        if (row.Source.find_first_of("*?") != std::string::npos) {
            row.Form = RowForm::Pattern;
            TakeMatches(base, row.Source, row);
        } else {
            const fs::path source = base / NativePath(FromUtf8(row.Source));
            if (fs::is_directory(source)) {
                row.Form = RowForm::Folder;
                Walk(source, "", row.Items);
            } else if (fs::is_regular_file(source)) {
                row.Items.push_back({NameOf(source), source, EntryKind::File});
            } else {
                throw std::runtime_error("no file or folder '" + source.string() + "'");
            }
        }
    } catch (const UsageError&) {
        throw;
    } catch (const std::exception& e) {
        const std::string what = e.what();
        throw std::runtime_error(what.rfind(row.Where, 0) == 0 ? what : row.Where + what);
    }
    // Byte order of the UTF-8 paths: the same on every system, whatever the folder's
    // own order.
    std::sort(row.Items.begin(), row.Items.end(), [](const Item& a, const Item& b) { return a.Path < b.Path; });
    return row;
}

// Why a row has no file left: the exclusion lines that left out what it took.
std::string WhyEmpty(const Row& row) {
    std::vector<int> lines;
    for (const Item& item : row.Items)
        if (std::find(lines.begin(), lines.end(), item.LeftOutBy) == lines.end()) lines.push_back(item.LeftOutBy);
    std::sort(lines.begin(), lines.end());
    std::string text = lines.size() == 1 ? "the exclusion on line " : "the exclusions on lines ";
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? ", " : "") + std::to_string(lines[i]);
    return text + (lines.size() == 1 ? " leaves" : " leave") + " out every file it takes";
}

// The package folder of a file of a folder row: the row's FOLDER and the file's own
// sub-folders below it.
std::u16string FolderOf(const Row& row, const Item& item) {
    const std::size_t slash = item.Path.rfind('/');
    if (slash == std::string::npos) return row.Folder;
    std::u16string below = FromUtf8(item.Path.substr(0, slash + 1));
    std::replace(below.begin(), below.end(), u'/', u'\\');
    if (row.Root)
        throw std::runtime_error(row.Where + "root puts every file straight into the destination folder, but '" +
                                 item.Source.string() + "' lies in a sub-folder of '" + row.Source + "'");
    // "$" at the start of a row's folder names the system folder.
    if (row.Folder.empty() && below.front() == u'$')
        throw std::runtime_error(row.Where + "'" + (item.Source.parent_path()).string() +
                                 "': a folder in the package cannot start with '$', which marks the system folder; "
                                 "give the row a FOLDER, or leave it out with !PATTERN");
    try {
        return CheckedFolderSpec(row.Folder + below);
    } catch (const std::exception& e) {
        throw std::runtime_error(row.Where + e.what());
    }
}

// The row's package entries; raises for a row left with no file or with a link.
void AddEntries(const Row& row, std::vector<TPackageEntry>& entries, std::size_t& taken) {
    if (row.Items.empty())
        throw std::runtime_error(row.Where + (row.Form == RowForm::Pattern
                                                  ? "no file matches '" + row.Source + "'"
                                                  : "folder '" + row.Source + "' holds no file"));
    taken = 0;
    for (const Item& item : row.Items) {
        if (item.LeftOutBy) continue;
        if (item.Kind == EntryKind::Link)
            throw std::runtime_error(row.Where + "'" + item.Source.string() +
                                     "' is a link, which a folder or pattern row does not follow: list what it "
                                     "leads to on a line of its own, or leave it out with !PATTERN");
        if (item.Kind == EntryKind::Other)
            throw std::runtime_error(row.Where + "'" + item.Source.string() + "' is neither a file nor a folder");
        entries.push_back({item.Source.u16string(), FolderOf(row, item), item.Source.filename().u16string(), row.Root});
        ++taken;
    }
    if (taken == 0) throw std::runtime_error(row.Where + "'" + row.Source + "' is left with no file: " + WhyEmpty(row));
}

}  // namespace

bool MatchesPattern(std::string_view pattern, std::string_view text) {
    return MatchesParts(Parts(pattern), Parts(text), false);
}

PayloadList ReadPayloadList(const fs::path& list) {
    std::ifstream in(list, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read '" + list.string() + "'");
    PayloadList result;
    std::vector<Row> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark an editor added
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::string where = list.string() + ":" + std::to_string(number) + ": ";
        // A line with a tab is a row even if its source starts with "!".
        if (line[0] == '!' && line.find('\t') == std::string::npos) {
            const Exclusion exclusion = ReadExclusion(line.substr(1), where);
            std::size_t count = 0;
            for (Row& row : rows)
                for (Item& item : row.Items)
                    if (!item.LeftOutBy && exclusion.LeavesOut(item.Path)) {
                        item.LeftOutBy = number;
                        ++count;
                    }
            result.Lines.push_back({number, line, true, count});
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() < 2 || fields.size() > 3 || (fields.size() == 3 && fields[2] != "root") || fields[0].empty())
            throw UsageError(where + kRowForm);
        Row row;
        row.Number = number;
        row.Report = result.Lines.size();
        row.Where = where;
        rows.push_back(ReadRow(list.parent_path(), fields, std::move(row)));
        result.Lines.push_back({number, fields[0], false, 0});
    }
    for (const Row& row : rows) AddEntries(row, result.Entries, result.Lines[row.Report].Files);
    return result;
}

}  // namespace stp::tool
