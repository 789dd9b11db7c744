// The raw zlib baseline for extraction: reads a package's file table, then for each
// row reads its record whole, inflates it whole with uncompress() and writes it with
// one write, into DEST with the row's relative folder. No checks beyond zlib's.
//
// usage: zlib_baseline PACKAGE DEST
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <zlib.h>

#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PackageReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zlib_baseline PACKAGE DEST\n");
        return 2;
    }
    try {
        stp::TFile package = stp::TFile::OpenRead(stp::FromUtf8(argv[1]));
        auto table = stp::ReadPackageTable(package, u"");
        const std::filesystem::path dest = argv[2];
        std::vector<unsigned char> in, out;
        for (int i = 0; table && i < table->ItemCount(); ++i) {
            stp::TRow* row = table->Items(i);
            const int packed = row->Items(stp::pcCompressedSize)->Value();
            const int size = row->Items(stp::pcUncompressedSize)->Value();
            in.resize(static_cast<std::size_t>(packed));
            package.ReadExact(in.data(), in.size());
            out.resize(static_cast<std::size_t>(size));
            uLongf n = static_cast<uLongf>(size);
            if (uncompress(out.data(), &n, in.data(), static_cast<uLong>(packed)) != Z_OK) {
                std::fprintf(stderr, "zlib_baseline: row %d does not inflate\n", i + 1);
                return 1;
            }
            std::u16string folder = row->Items(stp::pcFolder)->Text();
            for (auto& c : folder)
                if (c == u'\\') c = u'/';
            const std::filesystem::path dir = dest / stp::ToUtf8(folder);
            std::filesystem::create_directories(dir);
            std::ofstream(dir / stp::ToUtf8(row->Items(stp::pcFileName)->Text()), std::ios::binary)
                .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(n));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zlib_baseline: %s\n", e.what());
        return 1;
    }
    return 0;
}
