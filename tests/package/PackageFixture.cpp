#include "PackageFixture.h"

#include <fstream>
#include <iterator>
#include <random>

#include <zlib.h>

namespace stp::test {

std::u16string PathText(const std::filesystem::path& p, bool folder) {
    std::u16string s = p.u16string();
#ifdef _WIN32
    const char16_t sep = u'\\';
#else
    const char16_t sep = u'/';
#endif
    if (folder && (s.empty() || s.back() != sep)) s += sep;
    return s;
}

Bytes ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::filesystem::path& p, const Bytes& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Bytes Zlib(const Bytes& data, int level) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    Bytes out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    out.resize(n);
    return out;
}

Bytes MakePackage(const Bytes& records, std::u16string_view table, std::u16string_view password, const Bytes& trailer) {
    SealOptions o;
    o.cipherIndex = 5;
    o.hashIndex = 2;
    o.salt = u"Ab(G'xyz";
    o.iv = u"0123456789abcdef";
    Bytes envelope = Utf16ToAnsi(SealText(table, password, o));
    Bytes p = records + envelope;
    const auto n = static_cast<std::uint32_t>(envelope.size());
    for (int i = 0; i < 4; ++i) p += static_cast<char>(n >> (8 * i));
    return p + trailer;
}

void PackageTest::SetUp() {
    std::random_device rd;
    Root = std::filesystem::temp_directory_path() / ("stp-package-" + std::to_string(rd()));
    Dest = Root / "dest";
    Sys = Root / "sys";
    Src = Root / "src";
    std::filesystem::create_directories(Sys);
    std::filesystem::create_directories(Src);
    DestText = PathText(Dest, true);
    SysText = PathText(Sys, true);
    PackagePath = Root / "Setup.stp";
}

void PackageTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
}

}  // namespace stp::test
