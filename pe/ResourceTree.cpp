#include "pe/ResourceTree.h"

#include <algorithm>
#include <map>
#include <set>

#include "datatable/Errors.h"
#include "pe/Bytes.h"

namespace stp::pe {

namespace {

constexpr std::uint32_t kTableHeaderSize = 16;
constexpr std::uint32_t kEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000;  // a name (in an entry's first field), a table (in its second)
constexpr std::uint32_t kTableNamedCount = 12;
constexpr std::uint32_t kTableIdCount = 14;
constexpr int kLevels = 3;  // type, name, language
constexpr const char* kLevelNames[kLevels] = {"type", "name", "language"};

std::string Describe(const Resource& r) {
    return "type " + UpperCased(r.Type).ToString() + ", name " + UpperCased(r.Name).ToString() + ", language " +
           std::to_string(r.Language);
}

// ---- writing

// Resources [Begin, End) of the ordered list that share a key on one level.
struct Run {
    std::size_t Begin;
    std::size_t End;
};

template <class Key>
std::vector<Run> Runs(const std::vector<const Resource*>& resources, Run within, Key key) {
    std::vector<Run> runs;
    for (std::size_t i = within.Begin; i < within.End; ++i) {
        if (runs.empty() || !(key(*resources[i]) == key(*resources[runs.back().Begin])))
            runs.push_back({i, i + 1});
        else
            runs.back().End = i + 1;
    }
    return runs;
}

std::uint64_t TableSize(std::size_t entries) { return kTableHeaderSize + std::uint64_t(entries) * kEntrySize; }

// Where everything before the data goes; offsets from the directory's start. Tables come
// breadth first (root, one per type, one per type and name), then the data entries, then
// the names.
struct Layout {
    std::vector<Run> Types;
    std::vector<std::vector<Run>> Names;                 // per type
    std::vector<std::uint64_t> NameTables;               // per type: its table of names
    std::vector<std::vector<std::uint64_t>> LangTables;  // per type and name: its table of languages
    std::uint64_t DataEntries = 0;
    std::map<std::u16string, std::uint64_t> Strings;  // upper-cased name -> offset
    std::uint64_t HeadSize = 0;
};

void AddString(Layout& layout, const ResourceId& id, std::uint64_t& end) {
    if (!id.IsName()) return;
    const std::u16string name = UpperCased(id).Name;
    if (name.size() > 0xFFFF)
        throw EPeError("resource name of " + std::to_string(name.size()) + " characters is longer than 65535");
    if (layout.Strings.emplace(name, end).second) end += 2 + 2 * std::uint64_t(name.size());
}

Layout PlanHead(const std::vector<const Resource*>& resources) {
    Layout layout;
    layout.Types = Runs(resources, {0, resources.size()}, [](const Resource& r) { return r.Type; });
    std::uint64_t end = TableSize(layout.Types.size());
    for (const Run& type : layout.Types) {
        layout.Names.push_back(Runs(resources, type, [](const Resource& r) { return r.Name; }));
        layout.NameTables.push_back(end);
        end += TableSize(layout.Names.back().size());
    }
    for (const std::vector<Run>& names : layout.Names) {
        layout.LangTables.emplace_back();
        for (const Run& name : names) {
            layout.LangTables.back().push_back(end);
            end += TableSize(name.End - name.Begin);
        }
    }
    layout.DataEntries = end;
    end += std::uint64_t(resources.size()) * kDataEntrySize;
    for (std::size_t t = 0; t < layout.Types.size(); ++t) {
        AddString(layout, resources[layout.Types[t].Begin]->Type, end);
        for (const Run& name : layout.Names[t]) AddString(layout, resources[name.Begin]->Name, end);
    }
    layout.HeadSize = AlignUp(end, 8);
    // Offsets in entries have 31 bits.
    if (layout.HeadSize >= kHighBit) throw EPeError("too many resources for one resource directory");
    return layout;
}

struct Entry {
    const ResourceId* Id;  // nullptr for a language
    std::uint16_t Language;
    std::uint32_t Target;  // with kHighBit when it is a table
};

void WriteTable(std::string& head, std::uint64_t at, const std::vector<Entry>& entries, const Layout& layout) {
    const auto named =
        std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.Id && e.Id->IsName(); });
    Put16(head, at + kTableNamedCount, static_cast<std::uint16_t>(named));
    Put16(head, at + kTableIdCount, static_cast<std::uint16_t>(entries.size() - named));
    std::uint64_t p = at + kTableHeaderSize;
    for (const Entry& e : entries) {
        std::uint32_t key = e.Language;
        if (e.Id) key = e.Id->IsName() ? kHighBit | std::uint32_t(layout.Strings.at(UpperCased(*e.Id).Name)) : e.Id->Id;
        Put32(head, p, key);
        Put32(head, p + 4, e.Target);
        p += kEntrySize;
    }
}

void WriteStrings(std::string& head, const Layout& layout) {
    for (const auto& [name, at] : layout.Strings) {
        Put16(head, at, static_cast<std::uint16_t>(name.size()));
        for (std::size_t i = 0; i < name.size(); ++i) Put16(head, at + 2 + 2 * i, name[i]);
    }
}

void CheckEntryCounts(const Layout& layout, const std::vector<const Resource*>& resources) {
    // Each table counts its entries in 16 bits.
    auto tooMany = [](std::size_t n) { return n > 0xFFFF; };
    bool over = tooMany(layout.Types.size());
    for (const auto& names : layout.Names) {
        over = over || tooMany(names.size());
        for (const Run& name : names) over = over || tooMany(name.End - name.Begin);
    }
    if (over)
        throw EPeError("more than 65535 entries in one resource directory table (" + std::to_string(resources.size()) +
                       " resources)");
}

// ---- reading

class TreeDecoder {
public:
    TreeDecoder(std::string_view directory, const DataReader& data, std::uint64_t dataLimit)
        : directory_(directory), data_(data), dataLimit_(dataLimit) {}

    std::vector<Resource> Decode() {
        Resource path;
        ReadTable(0, 0, path);
        return std::move(resources_);
    }

private:
    static EPeError Damaged(const std::string& what) { return EPeError("damaged resource directory: " + what); }

    void ReadTable(std::uint32_t at, int level, Resource& path) {
        if (!visited_.insert(at).second)
            throw Damaged("the table at " + Hex(at) + " is reached twice (a loop or a shared table)");
        if (!Fits(directory_, at, kTableHeaderSize))
            throw Damaged("the table at " + Hex(at) + " lies outside the resource section");
        const std::uint32_t count = std::uint32_t(Get16(directory_, at + kTableNamedCount, "table")) +
                                    Get16(directory_, at + kTableIdCount, "table");
        if (!Fits(directory_, at + kTableHeaderSize, std::uint64_t(count) * kEntrySize))
            throw Damaged("the table at " + Hex(at) + " lists " + std::to_string(count) +
                          " entries, more than the resource section holds");
        // Tables that do not overlap hold at most one entry per 8 bytes of the directory.
        entriesRead_ += count;
        if (entriesRead_ > directory_.size() / kEntrySize)
            throw Damaged("the tables list more entries than the resource section holds (overlapping tables)");
        for (std::uint32_t i = 0; i < count; ++i) ReadEntry(at + kTableHeaderSize + i * kEntrySize, level, path);
    }

    void ReadEntry(std::uint32_t at, int level, Resource& path) {
        const std::uint32_t key = Get32(directory_, at, "entry");
        const std::uint32_t target = Get32(directory_, at + 4, "entry");
        const bool isTable = target & kHighBit;
        const std::string where = std::string(kLevelNames[level]) + " entry at " + Hex(at);
        if (level == kLevels - 1) {
            if (key & kHighBit) throw Damaged("the " + where + " has a name");
            if (isTable) throw Damaged("the " + where + " leads to a fourth level");
            path.Language = ReadId(key, where).Id;
            ReadLeaf(target, path);
            return;
        }
        if (!isTable) throw Damaged("the " + where + " leads to data, not to a table");
        (level == 0 ? path.Type : path.Name) = key & kHighBit ? ReadName(key & ~kHighBit, where) : ReadId(key, where);
        ReadTable(target & ~kHighBit, level + 1, path);
    }

    static ResourceId ReadId(std::uint32_t key, const std::string& where) {
        if (key > 0xFFFF) throw Damaged("the " + where + " has id " + Hex(key) + ", more than 16 bits");
        return ResourceId::Number(static_cast<std::uint16_t>(key));
    }

    // Kept as stored: a name written in lower case by some other tool reads back so.
    ResourceId ReadName(std::uint32_t at, const std::string& where) const {
        const std::uint16_t length = Fits(directory_, at, 2) ? Get16(directory_, at, "name") : 0;
        if (!Fits(directory_, at, 2 + 2 * std::uint64_t(length)))
            throw Damaged("the name of the " + where + " lies outside the resource section");
        if (length == 0) throw Damaged("the name of the " + where + " is empty");
        ResourceId id;
        for (std::uint32_t i = 0; i < length; ++i)
            id.Name += static_cast<char16_t>(Get16(directory_, at + 2 + 2 * i, "name"));
        return id;
    }

    void ReadLeaf(std::uint32_t at, const Resource& path) {
        if (!Fits(directory_, at, kDataEntrySize))
            throw Damaged("the data entry at " + Hex(at) + " lies outside the resource section");
        const std::uint32_t rva = Get32(directory_, at, "data entry");
        const std::uint32_t size = Get32(directory_, at + 4, "data entry");
        // Entries may share data, but not so much that a small file reads as gigabytes.
        dataTotal_ += size;
        if (dataTotal_ > dataLimit_)
            throw Damaged("the resources' data adds up to more than " + std::to_string(dataLimit_) + " bytes");
        Resource r = path;
        r.Data = std::string(data_(rva, size));
        resources_.push_back(std::move(r));
    }

    std::string_view directory_;
    const DataReader& data_;
    std::uint64_t dataLimit_;
    std::uint64_t dataTotal_ = 0;
    std::uint64_t entriesRead_ = 0;
    std::set<std::uint32_t> visited_;
    std::vector<Resource> resources_;
};

}  // namespace

std::vector<const Resource*> DirectoryOrder(const std::vector<Resource>& resources) {
    std::vector<const Resource*> order;
    order.reserve(resources.size());
    for (const Resource& r : resources) order.push_back(&r);
    std::stable_sort(order.begin(), order.end(), [](const Resource* a, const Resource* b) { return *a < *b; });
    const auto same =
        std::adjacent_find(order.begin(), order.end(), [](const Resource* a, const Resource* b) { return !(*a < *b); });
    if (same != order.end()) throw EPeError("duplicate resource: " + Describe(**same));
    return order;
}

EncodedTree EncodeTree(const std::vector<const Resource*>& resources, std::uint32_t directoryRva,
                       const std::vector<std::uint64_t>* sizes) {
    const Layout layout = PlanHead(resources);
    CheckEntryCounts(layout, resources);
    EncodedTree tree;
    tree.Head.assign(layout.HeadSize, '\0');

    std::vector<Entry> types;
    for (std::size_t t = 0; t < layout.Types.size(); ++t) {
        types.push_back({&resources[layout.Types[t].Begin]->Type, 0, kHighBit | std::uint32_t(layout.NameTables[t])});
        std::vector<Entry> names;
        for (std::size_t n = 0; n < layout.Names[t].size(); ++n) {
            const Run& run = layout.Names[t][n];
            names.push_back({&resources[run.Begin]->Name, 0, kHighBit | std::uint32_t(layout.LangTables[t][n])});
            std::vector<Entry> languages;
            for (std::size_t i = run.Begin; i < run.End; ++i)
                languages.push_back(
                    {nullptr, resources[i]->Language, std::uint32_t(layout.DataEntries + i * kDataEntrySize)});
            WriteTable(tree.Head, layout.LangTables[t][n], languages, layout);
        }
        WriteTable(tree.Head, layout.NameTables[t], names, layout);
    }
    WriteTable(tree.Head, 0, types, layout);
    WriteStrings(tree.Head, layout);

    std::uint64_t end = layout.HeadSize;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const std::uint64_t at = AlignUp(end, 8);
        const std::uint64_t size = sizes ? (*sizes)[i] : resources[i]->Data.size();
        if (size > 0xFFFFFFFF) throw EPeError("a resource of " + std::to_string(size) + " bytes is larger than 4 GiB");
        end = at + size;
        if (std::uint64_t(directoryRva) + end > 0xFFFFFFFF)
            throw EPeError("the resources take more than the 4 GiB an image can address");
        const std::uint64_t entry = layout.DataEntries + i * kDataEntrySize;
        Put32(tree.Head, entry, static_cast<std::uint32_t>(directoryRva + at));
        Put32(tree.Head, entry + 4, static_cast<std::uint32_t>(size));
        tree.DataOffsets.push_back(static_cast<std::uint32_t>(at));
    }
    tree.Size = static_cast<std::uint32_t>(end);
    return tree;
}

std::vector<Resource> DecodeTree(std::string_view directory, const DataReader& data, std::uint64_t dataLimit) {
    return TreeDecoder(directory, data, dataLimit).Decode();
}

}  // namespace stp::pe
