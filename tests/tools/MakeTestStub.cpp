// Writes a small Windows image to the file its argument names: a setup stub stand-in for
// tests that run stp build natively, where no real stub is built.
#include <cstdio>
#include <fstream>

#include "tests/pe/PeImageFixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: stp_test_stub OUT.exe\n", stderr);
        return 2;
    }
    const std::string image = stp::pe::test::MakeImage({});
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return out ? 0 : 1;
}
