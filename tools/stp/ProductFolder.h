// A product folder, the input of stp build: product.ini (one "Name = value" setting a
// line), art/ (side pictures, header bitmap, icons) and payload.txt (the files to
// install, the program among them, as stp pack reads a manifest).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace stp::tool {

// A product folder that cannot make an installer; the message names the file, and the
// line or key, that is wrong.
class ProductError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One setting of product.ini and the string-table entry the installer reads it from.
struct ProductKey {
    const char* Name;
    std::uint16_t StringId;
    bool Required;
};
extern const ProductKey kProductKeys[14];

// One picture or icon file of art/ and how the installer carries it. A "@2x" picture,
// optional, is its 1x picture (DoubleOf) at twice the width and height, drawn at high
// display scales.
enum class ArtKind { Jpeg, Bitmap, Icon };
struct ArtFile {
    const char* FileName;  // below art/
    ArtKind Kind;
    const char16_t* ResourceName;
    const char* DoubleOf = nullptr;  // set: optional, twice the size of that file's picture
};
extern const ArtFile kArtFiles[8];

struct ProductFolder {
    std::filesystem::path Dir;
    std::map<std::string, std::u16string> Settings;  // by key, every key present
    std::map<std::string, std::string> ArtBytes;     // by art file name, read and checked

    std::filesystem::path Ini() const { return Dir / "product.ini"; }
    std::filesystem::path Payload() const { return Dir / "payload.txt"; }
    std::filesystem::path Art(const ArtFile& art) const { return Dir / "art" / art.FileName; }
    const std::u16string& Value(const std::string& key) const { return Settings.at(key); }
    bool Has(const ArtFile& art) const { return ArtBytes.count(art.FileName) != 0; }
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
