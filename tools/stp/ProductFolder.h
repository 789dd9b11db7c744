// A product folder, the input of stp build: product.ini (one "Name = value" setting a
// line), art/ (side pictures, header bitmap, icons) and payload.txt (the files to
// install, the program among them, as stp pack reads a manifest).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "product/ProductTable.h"

namespace stp::tool {

// A product folder that cannot make an installer; the message names the file, and the
// line or key, that is wrong.
class ProductError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ProductFolder {
    std::filesystem::path Dir;
    std::map<std::string, std::u16string> Settings;  // by key, every key present
    std::map<std::string, std::string> ArtBytes;     // by art file name, read and checked
    std::set<std::string> Given;                     // the keys product.ini gives
    std::map<std::string, std::string> FileBytes;    // a file-valued setting's file, by key
    std::uint32_t EstimatedKB = 0;                   // the payload's size, once packed

    std::filesystem::path Ini() const { return Dir / "product.ini"; }
    std::filesystem::path Payload() const { return Dir / "payload.txt"; }
    std::filesystem::path Art(const ArtFile& art) const { return Dir / "art" / art.FileName; }
    const std::u16string& Value(const std::string& key) const { return Settings.at(key); }
    bool Has(const ArtFile& art) const { return ArtBytes.count(art.FileName) != 0; }
    bool IsGiven(const SettingRow& setting) const { return Given.count(setting.Key) != 0; }
    // The setting's value in the product's text set for Mode 0 (Chinese) or 2 (English).
    int TextModeForResources() const { return Value("TextMode") == u"0" ? 0 : 2; }
    const std::string& Bytes(const ArtFile& art) const { return ArtBytes.at(art.FileName); }
};

// Reads and checks product.ini and art/: every required key present once, no unknown
// key, TextMode 0 or 2, Freeware a number or True/False, ExeName a bare file name, each
// required art file present and of its kind, a "@2x" picture twice its 1x picture's
// size. Raises ProductError.
ProductFolder ReadProductFolder(const std::filesystem::path& dir);

// The file's bytes; raises ProductError naming it.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace stp::tool
