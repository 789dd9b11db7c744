// Temporary folders and hand-made packages for the package tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "datatable/Text.h"

namespace stp::test {

using Bytes = std::string;

// The path text of p, with a trailing separator for folders when asked.
std::u16string PathText(const std::filesystem::path& p, bool folder = false);

Bytes ReadAll(const std::filesystem::path& p);
void WriteAll(const std::filesystem::path& p, const Bytes& bytes);
Bytes Zlib(const Bytes& data, int level = 9);

// A package from raw records, a table text (sealed with SHA-1/AES and password) and a
// trailer.
Bytes MakePackage(const Bytes& records, std::u16string_view table, std::u16string_view password = u"",
                  const Bytes& trailer = "\x0A\x14\x02");

// A fresh folder per test with dest/, sys/ and src/ below it.
class PackageTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path Root, Dest, Sys, Src;
    std::u16string DestText, SysText;
    std::filesystem::path PackagePath;
};

}  // namespace stp::test
