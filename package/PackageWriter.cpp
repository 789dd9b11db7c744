#include "package/PackageWriter.h"

#include <limits>
#include <stdexcept>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "crypt/Hash.h"
#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "datatable/TextForm.h"
#include "package/Deflater.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PathRules.h"

namespace stp {

namespace {

constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();

std::string Quoted(std::u16string_view s) { return "'" + ToUtf8(s) + "'"; }

bool HasControl(std::u16string_view s) {
    for (char16_t c : s)
        if (c < 0x20) return true;
    return false;
}

// Rejects what the text form or the extractor cannot carry back unchanged.
void CheckEntry(const TPackageEntry& e) {
    CheckedFolderSpec(e.Folder);
    if (LastPathComponent(e.FileName) != e.FileName || !IsPlainFileName(e.FileName) || HasControl(e.FileName))
        throw EPackageError("file name " + Quoted(e.FileName) + " is not a bare file name");
}

void AppendCells(std::u16string& text, const TPackageEntry& e, const TPackedFile& size) {
    text += NormalizeFolderSpec(e.Folder);
    text += kCellSeparator;
    text += ToStoredForm(e.FileName, false);
    text += kCellSeparator;
    text += IntegerToText(static_cast<std::int32_t>(size.Compressed));
    text += kCellSeparator;
    text += IntegerToText(static_cast<std::int32_t>(size.Uncompressed));
    if (e.Root) {
        text += kCellSeparator;
        text += u"1";
    }
}

// A seed for the envelope's header that depends only on the package's content.
std::vector<std::uint8_t> ContentSeed(std::u16string_view tableText, const std::vector<std::uint32_t>& adlers) {
    auto sha = CreateHashByIndex(3);
    std::string utf8 = ToUtf8(tableText);
    sha->Feed({reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()});
    for (std::uint32_t a : adlers) {
        const std::uint8_t b[4] = {std::uint8_t(a), std::uint8_t(a >> 8), std::uint8_t(a >> 16), std::uint8_t(a >> 24)};
        sha->Feed(b);
    }
    std::vector<std::uint8_t> digest(sha->DigestBits() / 8);
    sha->Finish(digest);
    return digest;
}

std::u16string Seal(std::u16string_view tableText, const std::vector<std::uint32_t>& adlers,
                    const TPackageOptions& options) {
    SealOptions seal = DeriveSealOptions(options.CipherIndex, options.HashIndex, ContentSeed(tableText, adlers));
    if (options.Salt) seal.salt = *options.Salt;
    if (options.Iv) seal.iv = *options.Iv;
    try {
        return SealText(tableText, options.Password, seal);
    } catch (const std::invalid_argument& e) {
        throw EPackageError(std::string("cannot seal the file table: ") + e.what());
    }
}

void WriteTrailer(const TByteSink& out, const std::string& envelope) {
    out(envelope.data(), envelope.size());
    const auto n = static_cast<std::uint32_t>(envelope.size());
    const unsigned char length[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                     static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
    out(length, sizeof length);
    out(kPackageTrailer, sizeof kPackageTrailer);
}

}  // namespace

std::u16string NormalizeFolderSpec(std::u16string_view folder) {
    std::u16string f(folder);
    for (auto& c : f)
        if (c == u'/') c = u'\\';
    std::size_t prefix = 0;
    if (IsMacroFolder(f)) {
        // The extractor knows its macros in this case only.
        for (std::u16string_view macro : {std::u16string_view(kSystemMacro), std::u16string_view(kThirdMacro)}) {
            if (f.size() >= macro.size() &&
                EqualsIgnoringAsciiCase(std::u16string_view(f).substr(0, macro.size()), macro)) {
                f.replace(0, macro.size(), macro);
                prefix = macro.size();
            }
        }
    }
    // A bare macro names the system directory, which ends with a backslash already.
    if (f.size() > prefix && f.back() != u'\\') f += u'\\';
    return f;
}

std::u16string CheckedFolderSpec(std::u16string_view folder) {
    const std::u16string f = NormalizeFolderSpec(folder);
    if (f.find_first_of(u",|") != std::u16string::npos || HasControl(f))
        throw EPackageError("folder " + Quoted(folder) + " holds a comma, a vertical bar or a control character");
    if (!IsMacroFolder(f)) {
        if (!IsContainedFolder(f)) throw EPackageError("folder " + Quoted(folder) + " leaves the destination folder");
        return f;
    }
    const bool system = f.rfind(kSystemMacro, 0) == 0;
    if (!system && f.rfind(kThirdMacro, 0) != 0)
        throw EPackageError("folder " + Quoted(folder) + " starts with '$' but with neither $System$ nor $Third$");
    // The extractor's own rule must put the file in the folder the row names.
    const std::u16string probe = u"C:\\Windows\\System32\\";
    const std::size_t prefix =
        system ? std::u16string_view(kSystemMacro).size() : std::u16string_view(kThirdMacro).size();
    if (SafeMacroFolder(f, probe) != probe + f.substr(prefix))
        throw EPackageError(
            "folder " + Quoted(folder) + " cannot be placed below the system folder" +
            (system ? std::string() : std::string(" (below $Third$ a folder cannot name 'System'; use $System$)")));
    return f;
}

std::u16string PackageTableText(const std::vector<TPackageEntry>& entries, const std::vector<TPackedFile>& sizes) {
    std::u16string body;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i) body += kRowSeparator;
        AppendCells(body, entries[i], sizes[i]);
    }
    // A table without rows travels as an empty header with an empty body, and a body
    // that begins with "#" needs a header before it so as not to be read as one.
    if (entries.empty() || (!body.empty() && body.front() == kHeaderMark)) return u"##" + body;
    return body;
}

std::vector<TPackedFile> WritePackage(const std::vector<TPackageEntry>& entries, const TByteSink& out,
                                      const TPackageOptions& options) {
    for (const auto& e : entries) CheckEntry(e);
    TParallelDeflater deflater(options.Level, options.Threads, options.WholeFileLimit);
    std::vector<std::u16string> sources;
    for (const auto& e : entries) sources.push_back(e.Source);
    std::vector<TPackedFile> sizes;
    std::vector<std::uint32_t> adlers;
    std::int64_t total = 0;
    const std::vector<TDeflateResult> results = deflater.Deflate(sources, out, options.Progress);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const TDeflateResult& r = results[i];
        if (r.Uncompressed > kMaxSize || r.Compressed > kMaxSize)
            throw EPackageError("file " + Quoted(entries[i].Source) + " is larger than a package can hold (2 GiB)");
        total += r.Uncompressed;
        if (total > kMaxSize) throw EPackageError("the files add up to more than a package can hold (2 GiB)");
        sizes.push_back({r.Compressed, r.Uncompressed});
        adlers.push_back(r.Adler);
    }
    const std::u16string table = PackageTableText(entries, sizes);
    WriteTrailer(out, Utf16ToAnsi(Seal(table, adlers, options)));
    return sizes;
}

std::vector<TPackedFile> WritePackage(const std::vector<TPackageEntry>& entries, const std::u16string& output,
                                      const TPackageOptions& options) {
    for (const auto& e : entries) CheckEntry(e);  // before the output is made
    TFile file = TFile::CreateAlways(output);
    const std::vector<TPackedFile> sizes = WritePackage(
        entries, [&file](const void* bytes, std::size_t size) { file.Write(bytes, size); }, options);
    file.Close();
    return sizes;
}

}  // namespace stp
