#include "tools/stp/PackInputs.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/Command.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitTabs(const std::string& line)
{
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

}  // namespace

void AddFolder(const fs::path& root, std::vector<TPackageEntry>& entries)
{
    std::vector<fs::path> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const fs::path relative = file.lexically_relative(root);
        std::u16string folder;
        for (const auto& part : relative.parent_path()) {
            folder += part.u16string() + u"\\";
        }
        // A row folder that starts with "$" names the system folder.
        if (!folder.empty() && folder.front() == u'$') {
            throw std::runtime_error("folder '" + (root / relative.parent_path()).string()
                                     + "': a folder in the package cannot start with '$', which marks the "
                                       "system folder; rename it or list its files in a manifest");
        }
        entries.push_back({file.u16string(), folder, relative.filename().u16string(), false});
    }
}

void AddManifest(const fs::path& manifest, std::vector<TPackageEntry>& entries)
{
    std::ifstream in(manifest, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read '" + manifest.string() + "'");
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line.erase(0, 3);  // a byte-order mark an editor added
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        const std::string where = manifest.string() + ":" + std::to_string(number) + ": ";
        if (fields.size() < 2 || fields.size() > 3 || (fields.size() == 3 && fields[2] != "root")) {
            throw UsageError(where + "expected SOURCE<tab>FOLDER[<tab>root]");
        }
        const fs::path source = manifest.parent_path() / NativePath(FromUtf8(fields[0]));
        if (!fs::is_regular_file(source)) {
            throw std::runtime_error(where + "no file '" + source.string() + "'");
        }
        const std::u16string folder = FromUtf8(fields[1]);
        try {
            entries.push_back({source.u16string(), CheckedFolderSpec(folder), source.filename().u16string(),
                               fields.size() == 3});
        } catch (const std::exception& e) {
            throw std::runtime_error(where + e.what());
        }
    }
}

void AddInput(const fs::path& input, std::vector<TPackageEntry>& entries)
{
    if (fs::is_directory(input)) {
        AddFolder(input, entries);
    } else {
        AddManifest(input, entries);
    }
}

}  // namespace stp::tool
