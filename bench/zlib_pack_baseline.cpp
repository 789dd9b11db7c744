// The packing baseline: every file below FOLDER compressed whole with zlib's
// compress2 at level 9 on one thread, the streams written back to back to OUT.
//
// usage: zlib_pack_baseline FOLDER OUT
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <zlib.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zlib_pack_baseline FOLDER OUT\n");
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(argv[1]))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::ofstream out(argv[2], std::ios::binary);
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        const std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
        uLongf n = compressBound(static_cast<uLong>(data.size()));
        std::vector<unsigned char> packed(n);
        if (compress2(packed.data(), &n, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) return 1;
        out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(n));
    }
    return 0;
}
