// Package reading and extraction into a scratch folder. The first input byte chooses:
// even, the rest is the whole package as it stands (layout, trailers, length fields);
// odd, the rest is "table text \0 records", sealed and assembled into a package, so the
// extractor's row handling is reached too. Only the system's errors may come out, and
// nothing may be written outside the scratch folder's dest/ and sys/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/Extractor.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Scratch() {
    static const fs::path root = fs::temp_directory_path() / ("stp-fuzz-package-" + std::to_string(getpid()));
    return root;
}

std::string Assemble(const std::string& table, const std::string& records) {
    stp::SealOptions o;
    o.cipherIndex = 6;  // RC4: no initialisation vector to get wrong
    o.hashIndex = 1;
    o.salt = u"Salt(%ab";
    const std::string envelope = stp::Utf16ToAnsi(stp::SealText(stp::AnsiToUtf16(table), u"", o));
    std::string p = records + envelope;
    const auto n = static_cast<std::uint32_t>(envelope.size());
    for (int i = 0; i < 4; ++i) p += static_cast<char>(n >> (8 * i));
    return p + "\x0A\x14\x02";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string package = rest;
    if (data[0] & 1) {
        const std::size_t cut = rest.find('\0');
        package = cut == std::string::npos ? Assemble(rest, "") : Assemble(rest.substr(0, cut), rest.substr(cut + 1));
    }
    const fs::path root = Scratch();
    fs::remove_all(root);
    fs::create_directories(root / "sys");
    std::ofstream(root / "Setup.stp", std::ios::binary)
        .write(package.data(), static_cast<std::streamsize>(package.size()));
    try {
        stp::ExtractSetupPackage(
            stp::FromUtf8((root / "Setup.stp").string()), stp::FromUtf8((root / "dest").string() + "/"), u"",
            [](std::int64_t) {}, stp::FromUtf8((root / "sys").string() + "/"));
    } catch (const stp::Error&) {
    }
    for (const auto& entry : fs::directory_iterator(root)) {
        const auto name = entry.path().filename();
        if (name != "dest" && name != "sys" && name != "Setup.stp") std::abort();  // written outside
    }
    fs::remove_all(root);
    return 0;
}
