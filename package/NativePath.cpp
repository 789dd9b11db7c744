#include "package/NativePath.h"

#include <string>

#include "datatable/Text.h"

namespace stp {

std::filesystem::path NativePath(std::u16string_view path) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(path.begin(), path.end()));
#else
    std::u16string p(path);
    for (auto& c : p)
        if (c == u'\\') c = u'/';
    return std::filesystem::path(ToUtf8(p));
#endif
}

}  // namespace stp
