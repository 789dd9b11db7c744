#include "pe/Imports.h"

#include "datatable/Errors.h"
#include "pe/Bytes.h"
#include "pe/PeHeaders.h"

namespace stp::pe {

namespace {

// The two tables differ only in their entries' size and where in an entry the name is.
struct ImportTable {
    int Directory;
    std::size_t EntrySize;
    std::size_t NameField;
    bool Delayed;
    const char* What;
};
constexpr ImportTable kTables[] = {
    {kImportDirectory, 20, 12, false, "import table"},
    {kDelayImportDirectory, 32, 4, true, "delay-load import table"},
};

bool AllZero(std::string_view bytes) { return bytes.find_first_not_of('\0') == std::string_view::npos; }

std::string NameAt(const PeHeaders& headers, std::string_view image, std::uint32_t rva, const ImportTable& table) {
    const std::string_view tail = MappedTail(headers, image, rva, std::string(table.What) + " DLL name");
    const std::size_t end = tail.find('\0');
    if (end == std::string_view::npos)
        throw EPeError(std::string(table.What) + ": the DLL name at RVA " + Hex(rva) +
                       " runs past the end of its section");
    return std::string(tail.substr(0, end));
}

void ReadTable(const PeHeaders& headers, std::string_view image, const ImportTable& table,
               std::vector<ImportedDll>& dlls) {
    const DataDirectory directory = headers.Directory(table.Directory);
    if (directory.Rva == 0) return;
    // The loader reads up to the all-zero entry whatever size the directory gives, and so
    // does this.
    const std::string_view entries = MappedTail(headers, image, directory.Rva, table.What);
    for (std::size_t at = 0;; at += table.EntrySize) {
        if (!Fits(entries, at, table.EntrySize))
            throw EPeError(std::string(table.What) + " at RVA " + Hex(directory.Rva) +
                           " has no closing entry inside its section");
        const std::string_view entry = entries.substr(at, table.EntrySize);
        if (AllZero(entry)) return;
        // A delay-load entry without its first attribute bit holds addresses, not RVAs
        // (compilers before 2000 wrote them); none of ours does, so none is guessed at.
        if (table.Delayed && !(Get32(entry, 0, table.What) & 1))
            throw EPeError(std::string(table.What) + " at RVA " + Hex(directory.Rva) +
                           " holds addresses rather than RVAs");
        dlls.push_back({NameAt(headers, image, Get32(entry, table.NameField, table.What), table), table.Delayed});
    }
}

}  // namespace

std::vector<ImportedDll> ImportedDlls(std::string_view Image) {
    const PeHeaders headers = ParsePeHeaders(Image);
    std::vector<ImportedDll> dlls;
    for (const ImportTable& table : kTables) ReadTable(headers, Image, table, dlls);
    return dlls;
}

}  // namespace stp::pe
