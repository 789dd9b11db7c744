#include "tools/stp/ProductFolder.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/NativePath.h"
#include "pe/ResourceBuilders.h"
#include "pe/VersionInfo.h"

namespace stp::tool {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A name Windows takes for a file: no reserved character, no control character, no
// trailing dot or blank, and no device name.
bool IsWindowsFileName(const std::u16string& name) {
    if (name.empty() || name.back() == u'.' || name.back() == u' ') return false;
    for (const char16_t c : name) {
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) return false;
    }
    const std::u16string stem = name.substr(0, name.find(u'.'));
    for (const char16_t* device :
         {u"CON",  u"PRN",  u"AUX",  u"NUL",  u"COM1", u"COM2", u"COM3", u"COM4", u"COM5", u"COM6", u"COM7",
          u"COM8", u"COM9", u"LPT1", u"LPT2", u"LPT3", u"LPT4", u"LPT5", u"LPT6", u"LPT7", u"LPT8", u"LPT9"}) {
        if (EqualsIgnoringAsciiCase(stem, device)) return false;
    }
    return true;
}

bool IsKeyName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Settings by key with the line each came from.
std::map<std::string, std::pair<std::u16string, int>> ReadSettings(const fs::path& ini) {
    std::istringstream in(ReadWholeFile(ini));
    std::map<std::string, std::pair<std::u16string, int>> settings;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = ini.string() + ":" + std::to_string(number) + ": ";
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#') continue;
        const std::size_t equals = text.find('=');
        const std::string name = equals == std::string::npos ? text : Trim(text.substr(0, equals));
        if (equals == std::string::npos || !IsKeyName(name)) throw ProductError(where + "expected NAME = value");
        if (!FindSetting(name)) throw ProductError(where + "unknown setting '" + name + "'");
        if (settings.count(name))
            throw ProductError(where + "'" + name + "' set again (first on line " +
                               std::to_string(settings[name].second) + ")");
        settings[name] = {FromUtf8(Trim(text.substr(equals + 1))), number};
    }
    return settings;
}

void CheckValue(const fs::path& ini, const SettingRow& setting, const std::u16string& value, int line) {
    const std::string where = ini.string() + ":" + std::to_string(line) + ": ";
    const std::string name = setting.Key;
    switch (setting.Check) {
    case SettingCheck::Any: return;
    case SettingCheck::TextMode:
        if (value != u"0" && value != u"2" && value != u"auto")
            throw ProductError(where + "TextMode must be 0 (Chinese), 2 (English) or auto, not '" + ToUtf8(value) +
                               "'");
        return;
    case SettingCheck::YesNo:
        if (value != u"yes" && value != u"no")
            throw ProductError(where + name + " must be yes or no, not '" + ToUtf8(value) + "'");
        return;
    case SettingCheck::EntryKind:
        if (value != u"basic" && value != u"full")
            throw ProductError(where + name + " must be basic or full, not '" + ToUtf8(value) + "'");
        return;
    case SettingCheck::LicenseFile:
        if (value.empty()) throw ProductError(where + name + " must name a text file of the product folder");
        return;
    case SettingCheck::KeyName:
        if (const std::string fault = RegistryKeyNameFault(value); !fault.empty())
            throw ProductError(where + name + " cannot name the uninstall entry's registry key: " + fault);
        return;
    case SettingCheck::Freeware:
        if (value.empty() || !ParseBoolean(value))
            throw ProductError(where + "Freeware must be a number or True/False, not '" + ToUtf8(value) + "'");
        return;
    case SettingCheck::NotEmpty:
    case SettingCheck::FileNamePart:
    case SettingCheck::Version:
    case SettingCheck::ExeName:
        if (value.empty()) throw ProductError(where + name + " must not be empty");
        if (setting.Check == SettingCheck::NotEmpty) return;
        // These make file names: the program's, the installation folder's, the installer's.
        if (!IsWindowsFileName(value))
            throw ProductError(where + name + " '" + ToUtf8(value) +
                               "' cannot be part of a file name (no \\ / : * ? \" < > |, control characters, "
                               "trailing dot or blank, or device name)");
        if (setting.Check == SettingCheck::Version) {
            try {
                pe::ParseVersionNumbers(value);
            } catch (const Error& e) {
                throw ProductError(where + "Version must begin with a number: " + e.what());
            }
        }
        if (setting.Check == SettingCheck::ExeName && value.size() >= 4 &&
            EqualsIgnoringAsciiCase(value.substr(value.size() - 4), u".exe"))
            throw ProductError(where + "ExeName is the program's name without .exe");
        return;
    }
}

// Well-formed UTF-8: no stray or missing continuation byte, no overlong form, no
// surrogate, nothing above U+10FFFF.
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
        std::uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        static const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// An agreement file's text: a file of the product folder, not empty, UTF-8 (a byte-order
// mark is dropped), at most kMaxLicenseBytes.
std::string CheckedLicense(const ProductFolder& product, const SettingRow& setting, int line) {
    const std::string where = product.Ini().string() + ":" + std::to_string(line) + ": " + setting.Key + ": ";
    const fs::path file = product.Dir / NativePath(product.Value(setting.Key));
    if (!fs::is_regular_file(file)) throw ProductError(where + file.string() + ": no such file");
    const auto size = fs::file_size(file);
    if (size > kMaxLicenseBytes)
        throw ProductError(where + file.string() + ": " + std::to_string(size) + " bytes, more than the " +
                           std::to_string(kMaxLicenseBytes) + " an agreement may have");
    std::string text = ReadWholeFile(file);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) throw ProductError(where + file.string() + ": empty");
    if (!IsUtf8(text)) throw ProductError(where + file.string() + ": not UTF-8 text");
    return text;
}

// The file's bytes, once they are known to be of their kind.
std::string CheckedArt(const fs::path& file, ArtKind kind) {
    if (!fs::is_regular_file(file)) throw ProductError(file.string() + ": missing");
    std::string bytes = ReadWholeFile(file);
    try {
        switch (kind) {
        case ArtKind::Jpeg:
            if (bytes.size() < 4 || bytes.compare(0, 3, "\xFF\xD8\xFF") != 0)
                throw ProductError(file.string() + ": not a JPEG picture");
            break;
        case ArtKind::Bitmap: pe::BitmapResourceData(bytes); break;
        case ArtKind::Icon: pe::IconGroupResources(pe::ResourceId::Named(u"CHECK"), bytes, 1); break;
        }
    } catch (const Error& e) {
        throw ProductError(file.string() + ": " + e.what());
    }
    return bytes;
}

unsigned Byte(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

// A picture's width and height as its header gives them: a JPEG's first frame header,
// a bitmap's information header. Both were checked for their kind before.
std::pair<int, int> PictureSize(const std::string& bytes, ArtKind kind) {
    if (kind == ArtKind::Bitmap) {
        if (bytes.size() < 26) return {0, 0};
        auto int32 = [&](std::size_t at) {
            return static_cast<std::int32_t>(Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 |
                                             Byte(bytes, at + 3) << 24);
        };
        return {int32(18), std::abs(int32(22))};
    }
    std::size_t at = 2;
    while (at + 9 <= bytes.size() && Byte(bytes, at) == 0xFF) {
        const unsigned marker = Byte(bytes, at + 1);
        const std::size_t length = Byte(bytes, at + 2) << 8 | Byte(bytes, at + 3);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return {static_cast<int>(Byte(bytes, at + 7) << 8 | Byte(bytes, at + 8)),
                    static_cast<int>(Byte(bytes, at + 5) << 8 | Byte(bytes, at + 6))};
        at += 2 + length;
    }
    return {0, 0};
}

// A "@2x" picture must be its 1x picture at twice the size, or it would be drawn
// stretched.
void CheckDouble(const ProductFolder& product, const ArtFile& art) {
    const ArtFile* single = nullptr;
    for (const ArtFile& a : kArtFiles)
        if (std::string(a.FileName) == art.DoubleOf) single = &a;
    const auto [w, h] = PictureSize(product.Bytes(art), art.Kind);
    const auto [w1, h1] = PictureSize(product.Bytes(*single), single->Kind);
    if (w != 2 * w1 || h != 2 * h1)
        throw ProductError(product.Art(art).string() + ": " + std::to_string(w) + " x " + std::to_string(h) +
                           " pixels, not twice the " + std::to_string(w1) + " x " + std::to_string(h1) + " of " +
                           single->FileName);
}

}  // namespace

std::string ReadWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) throw ProductError(file.string() + ": cannot be read");
    // Read in one piece: a package may be hundreds of megabytes.
    const std::streamoff size = in.tellg();
    if (size < 0) throw ProductError(file.string() + ": not a file that can be read whole");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in) throw ProductError(file.string() + ": cannot be read");
    return bytes;
}

ProductFolder ReadProductFolder(const fs::path& dir) {
    if (!fs::is_directory(dir)) throw ProductError(dir.string() + ": no such product folder");
    ProductFolder product{dir, {}, {}};
    if (!fs::is_regular_file(product.Ini())) throw ProductError(product.Ini().string() + ": missing");
    const auto settings = ReadSettings(product.Ini());
    for (const SettingRow& setting : kSettings) {
        const auto found = settings.find(setting.Key);
        if (found == settings.end()) {
            if (setting.Required)
                throw ProductError(product.Ini().string() + ": no " + setting.Key + " (a required setting)");
            product.Settings[setting.Key] = setting.Default;
            continue;
        }
        CheckValue(product.Ini(), setting, found->second.first, found->second.second);
        product.Settings[setting.Key] = found->second.first;
        product.Given.insert(setting.Key);
        if (setting.Check == SettingCheck::LicenseFile)
            product.FileBytes[setting.Key] = CheckedLicense(product, setting, found->second.second);
    }
    for (const ArtFile& art : kArtFiles) {
        if (art.DoubleOf && !fs::exists(product.Art(art))) continue;
        product.ArtBytes[art.FileName] = CheckedArt(product.Art(art), art.Kind);
    }
    for (const ArtFile& art : kArtFiles)
        if (art.DoubleOf && product.Has(art)) CheckDouble(product, art);
    if (!fs::is_regular_file(product.Payload())) throw ProductError(product.Payload().string() + ": missing");
    return product;
}

}  // namespace stp::tool
