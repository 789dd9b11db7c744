#include "tools/stp/PackInputs.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

#include "datatable/Text.h"
#include "package/NativePath.h"
#include "tools/stp/PayloadLines.h"

namespace stp::tool {

namespace fs = std::filesystem;

void AddFolder(const fs::path& root, std::vector<TPackageEntry>& entries) {
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
            throw std::runtime_error("folder '" + (root / relative.parent_path()).string() +
                                     "': a folder in the package cannot start with '$', which marks the "
                                     "system folder; rename it or list its files in a manifest");
        }
        entries.push_back({file.u16string(), folder, relative.filename().u16string(), false});
    }
}

void AddManifest(const fs::path& manifest, std::vector<TPackageEntry>& entries) {
    PayloadList list = ReadPayloadList(manifest);
    entries.insert(entries.end(), std::make_move_iterator(list.Entries.begin()),
                   std::make_move_iterator(list.Entries.end()));
}

void AddInput(const fs::path& input, std::vector<TPackageEntry>& entries) {
    if (fs::is_directory(input)) {
        AddFolder(input, entries);
    } else {
        AddManifest(input, entries);
    }
}

}  // namespace stp::tool
