// The uninstaller's file list, which an installer also reads from an earlier uninstaller:
// any text either reads as rows that write back to the same rows, or raises the package
// error; and the plan made of any rows names only paths below the destination folder.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "datatable/Errors.h"
#include "package/FileList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<stp::TFileListRow> rows;
    try {
        rows = stp::ReadFileList(text);
    } catch (const stp::EPackageError&) {
        return 0;
    }
    if (stp::ReadFileList(stp::WriteFileList(rows)) != rows) std::abort();
    const stp::TUninstallPlan plan = stp::PlanUninstall(rows);
    const auto below = [](const std::u16string& path) {
        if (path.empty() || path.front() == u'\\' || path.back() == u'\\') return false;
        if (path.find_first_of(u":/") != std::u16string::npos || path.find(u"\\\\") != std::u16string::npos)
            return false;
        for (std::size_t start = 0; start <= path.size();) {
            const std::size_t cut = std::min(path.find(u'\\', start), path.size());
            const std::u16string part = path.substr(start, cut - start);
            if (part == u"." || part == u"..") return false;
            start = cut + 1;
        }
        return true;
    };
    for (const stp::TPlannedFile& file : plan.Files)
        if (!below(file.Path)) std::abort();
    for (const std::u16string& folder : plan.Folders)
        if (!below(folder)) std::abort();
    return 0;
}
