#include "pe/VersionInfo.h"

#include <algorithm>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "pe/Bytes.h"

namespace stp::pe {

namespace {

// Every block is wLength, wValueLength, wType, a NUL-terminated UTF-16 key, padding to
// 32 bits, the value, padding, the children (each starting on 32 bits). wLength covers
// the children but not the padding after the last one.
constexpr std::size_t kHeaderSize = 6;
constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;  // VS_FFI_FILEFLAGSMASK: every flag is meaningful (and clear)
constexpr std::uint32_t kFileOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kFileTypeApp = 1;
constexpr std::size_t kFixedSize = 13 * 4;

constexpr std::u16string_view kRootKey = u"VS_VERSION_INFO";
constexpr std::u16string_view kStringFileInfo = u"StringFileInfo";
constexpr std::u16string_view kVarFileInfo = u"VarFileInfo";
constexpr std::u16string_view kTranslation = u"Translation";

std::string Quoted(std::u16string_view text) { return "\"" + ToUtf8(text) + "\""; }

void PadTo32(std::string& bytes) { bytes.resize(AlignUp(bytes.size(), 4), '\0'); }

std::uint32_t High(const VersionNumbers& v) { return std::uint32_t(v[0]) << 16 | v[1]; }
std::uint32_t Low(const VersionNumbers& v) { return std::uint32_t(v[2]) << 16 | v[3]; }

// A block starting at a 32-bit boundary of the resource, so its own alignment is that of
// its offsets within it. valueLength is in bytes for binary values and characters for text.
std::string Block(std::u16string_view key, std::uint16_t type, const std::string& value, std::size_t valueLength,
                  const std::vector<std::string>& children) {
    std::string block(kHeaderSize, '\0');
    for (char16_t c : key) Append16(block, c);
    Append16(block, 0);
    PadTo32(block);
    block += value;
    for (const std::string& child : children) {
        PadTo32(block);
        block += child;
    }
    if (block.size() > 0xFFFF)  // and so the value's length too
        throw EPeError("the version information block " + Quoted(key) + " would be " + std::to_string(block.size()) +
                       " bytes, more than its 16-bit length holds (65535)");
    Put16(block, 0, static_cast<std::uint16_t>(block.size()));
    Put16(block, 2, static_cast<std::uint16_t>(valueLength));
    Put16(block, 4, type);
    return block;
}

void CheckText(std::u16string_view text, std::u16string_view what) {
    if (text.find(u'\0') != std::u16string_view::npos)
        throw EPeError("the version string " + ToUtf8(what) + " " + Quoted(text) +
                       " holds a NUL character, where Windows would cut it");
}

std::string StringBlock(const VersionString& s) {
    if (s.first.empty()) throw EPeError("a version string has an empty key (its value is " + Quoted(s.second) + ")");
    CheckText(s.first, u"key");
    CheckText(s.second, u"value");
    std::string value;
    for (char16_t c : s.second) Append16(value, c);
    Append16(value, 0);
    return Block(s.first, kText, value, s.second.size() + 1, {});
}

std::u16string TableKey(std::uint16_t language, std::uint16_t codePage) {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const std::uint32_t key = std::uint32_t(language) << 16 | codePage;
    std::u16string text(8, u'0');
    for (int i = 0; i < 8; ++i) text[i] = kDigits[(key >> (28 - 4 * i)) & 0xF];
    return text;
}

std::string FixedFileInfo(const VersionInfo& info) {
    std::string fixed;
    for (std::uint32_t field : {kFixedSignature, kFixedStructVersion, High(info.FileVersion), Low(info.FileVersion),
                                High(info.ProductVersion), Low(info.ProductVersion), kFileFlagsMask, 0u,
                                kFileOsNtWindows32, kFileTypeApp, 0u, 0u, 0u})
        Append32(fixed, field);
    return fixed;
}

// A block's place in the data: the value's bytes and where the children lie.
struct BlockView {
    std::size_t Start = 0;
    std::size_t End = 0;  // Start + wLength
    std::u16string Key;
    std::uint16_t Type = 0;
    std::uint16_t ValueLength = 0;  // as stored
    std::size_t ValueStart = 0;
    std::size_t ChildrenStart = 0;
};

std::string At(std::size_t offset) { return " at offset " + Hex(offset); }

// The block at start, which must end by limit. charUnits: the value's length counts
// UTF-16 characters (String) rather than bytes.
BlockView ReadBlock(std::string_view data, std::size_t start, std::size_t limit, bool charUnits) {
    BlockView b;
    b.Start = start;
    if (start > limit || limit - start < kHeaderSize)
        throw EPeError("version information: a block" + At(start) + " has no room for its header before " + Hex(limit));
    const std::uint16_t length = Get16(data, start, "version block length");
    b.ValueLength = Get16(data, start + 2, "version block value length");
    b.Type = Get16(data, start + 4, "version block type");
    // At least a header and the key's NUL, so that every block moves the reader on.
    if (length < kHeaderSize + 2 || length > limit - start)
        throw EPeError("version information: the block" + At(start) + " says it is " + std::to_string(length) +
                       " bytes, which does not fit in the " + std::to_string(limit - start) + " bytes left for it");
    b.End = start + length;

    std::size_t at = start + kHeaderSize;
    for (;; at += 2) {
        if (at + 2 > b.End)
            throw EPeError("version information: the key of the block" + At(start) + " has no terminating NUL");
        const char16_t c = static_cast<char16_t>(Get16(data, at, "version block key"));
        if (c == 0) break;
        b.Key += c;
    }
    b.ValueStart = AlignUp(at + 2, 4);
    const std::size_t valueBytes = std::size_t(b.ValueLength) * (charUnits ? 2 : 1);
    if (valueBytes == 0) {
        b.ChildrenStart = std::min<std::size_t>(b.ValueStart, b.End);
    } else {
        if (b.ValueStart > b.End || valueBytes > b.End - b.ValueStart)
            throw EPeError("version information: the value of " + Quoted(b.Key) + At(start) + " (" +
                           std::to_string(valueBytes) + " bytes) runs past the block's end");
        b.ChildrenStart = std::min<std::size_t>(AlignUp(b.ValueStart + valueBytes, 4), b.End);
    }
    return b;
}

// The children of parent, in order; charUnits as for ReadBlock.
std::vector<BlockView> Children(std::string_view data, const BlockView& parent, bool charUnits) {
    std::vector<BlockView> children;
    for (std::size_t at = parent.ChildrenStart; at < parent.End;) {
        children.push_back(ReadBlock(data, at, parent.End, charUnits));
        at = AlignUp(children.back().End, 4);
    }
    return children;
}

VersionNumbers Numbers(std::string_view data, std::size_t at) {
    const std::uint32_t high = Get32(data, at, "version number");
    const std::uint32_t low = Get32(data, at + 4, "version number");
    return {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
            static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
}

// The language and code page of a string table key ("040904B0"); false when the key is
// not 8 hexadecimal digits.
bool ParseTableKey(std::u16string_view key, std::uint16_t& language, std::uint16_t& codePage) {
    if (key.size() != 8) return false;
    std::uint32_t value = 0;
    for (char16_t c : key) {
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                   : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    language = static_cast<std::uint16_t>(value >> 16);
    codePage = static_cast<std::uint16_t>(value);
    return true;
}

VersionStringTable ReadStringTable(std::string_view data, const BlockView& table) {
    VersionStringTable result;
    if (!ParseTableKey(table.Key, result.Language, result.CodePage))
        throw EPeError("version information: the string table" + At(table.Start) + " is keyed " + Quoted(table.Key) +
                       ", not by 8 hexadecimal digits of language and code page");
    for (const BlockView& s : Children(data, table, true)) {
        std::u16string value;
        if (s.ValueLength > 0) {
            std::size_t at = s.ValueStart;
            const std::size_t end = s.ValueStart + 2 * std::size_t(s.ValueLength);
            for (; at < end; at += 2) {
                const char16_t c = static_cast<char16_t>(Get16(data, at, "version string"));
                if (c == 0) break;
                value += c;
            }
            if (at == end)
                throw EPeError("version information: the value of " + Quoted(s.Key) + At(s.Start) +
                               " has no terminating NUL within its " + std::to_string(s.ValueLength) + " characters");
        }
        result.Strings.emplace_back(s.Key, std::move(value));
    }
    return result;
}

void ReadTranslations(std::string_view data, const BlockView& var, std::vector<VersionTranslation>& translations) {
    if (var.ValueLength % 4 != 0)
        throw EPeError("version information: the Translation" + At(var.Start) + " holds " +
                       std::to_string(var.ValueLength) + " bytes, not whole language and code page pairs");
    for (std::size_t at = var.ValueStart; at < var.ValueStart + var.ValueLength; at += 4)
        translations.push_back({Get16(data, at, "translation language"), Get16(data, at + 2, "translation code page")});
}

}  // namespace

VersionNumbers ParseVersionNumbers(std::u16string_view text) {
    const auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (text.empty() || !isDigit(text[0]))
        throw EPeError("the version " + Quoted(text) + " does not start with a number");
    VersionNumbers numbers{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < numbers.size(); ++part) {
        std::uint32_t value = 0;
        for (; at < text.size() && isDigit(text[at]); ++at) {
            value = value * 10 + (text[at] - u'0');
            if (value > 0xFFFF)
                throw EPeError("the version " + Quoted(text) +
                               " has a part over 65535, more than a version number holds");
        }
        numbers[part] = static_cast<std::uint16_t>(value);
        // Another part only where a dot is followed by a digit; anything else ends the numbers.
        if (at + 1 >= text.size() || text[at] != u'.' || !isDigit(text[at + 1])) break;
        ++at;
    }
    return numbers;
}

std::string VersionInfoData(const VersionInfo& info) {
    std::vector<std::string> strings;
    for (const VersionString& s : info.Strings) strings.push_back(StringBlock(s));
    const std::string table = Block(TableKey(info.Language, kUnicodeCodePage), kText, {}, 0, strings);

    std::string translation;
    Append16(translation, info.Language);
    Append16(translation, kUnicodeCodePage);
    const std::string var = Block(kTranslation, kBinary, translation, translation.size(), {});

    const std::string fixed = FixedFileInfo(info);
    return Block(kRootKey, kBinary, fixed, fixed.size(),
                 {Block(kStringFileInfo, kText, {}, 0, {table}), Block(kVarFileInfo, kText, {}, 0, {var})});
}

Resource VersionInfoResource(const VersionInfo& info) {
    return {ResourceId::Number(rtVersion), ResourceId::Number(1), info.Language, VersionInfoData(info)};
}

VersionInfoContents ReadVersionInfo(std::string_view data) {
    const BlockView root = ReadBlock(data, 0, data.size(), false);
    if (root.Key != kRootKey)
        throw EPeError("version information: the root block is " + Quoted(root.Key) + ", not \"VS_VERSION_INFO\"");
    if (root.ValueLength != kFixedSize)
        throw EPeError("version information: the fixed file information is " + std::to_string(root.ValueLength) +
                       " bytes, not " + std::to_string(kFixedSize));
    const std::uint32_t signature = Get32(data, root.ValueStart, "fixed file information");
    if (signature != kFixedSignature)
        throw EPeError("version information: the fixed file information's signature is " + Hex(signature) + ", not " +
                       Hex(kFixedSignature));

    VersionInfoContents contents;
    contents.FileVersion = Numbers(data, root.ValueStart + 8);
    contents.ProductVersion = Numbers(data, root.ValueStart + 16);
    for (const BlockView& child : Children(data, root, false)) {
        if (child.Key == kStringFileInfo) {
            for (const BlockView& table : Children(data, child, false))
                contents.StringTables.push_back(ReadStringTable(data, table));
        } else if (child.Key == kVarFileInfo) {
            for (const BlockView& var : Children(data, child, false))
                if (var.Key == kTranslation) ReadTranslations(data, var, contents.Translations);
        }
    }
    return contents;
}

}  // namespace stp::pe
