#include "package/PackageReader.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/Format.h"

namespace stp {

namespace {

std::int32_t ReadInt32LE(const unsigned char* p) {
    std::uint32_t v =
        std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::optional<std::u16string> ReadPackageTableText(TFile& package) {
    const std::int64_t size = package.Size();
    unsigned char tail[kPackageTailSize];
    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::int64_t>(size, kPackageTailSize));
    package.Seek(size - static_cast<std::int64_t>(tailSize));
    package.ReadExact(tail, tailSize);

    const std::int64_t at = LengthFieldOffset(tail, tailSize, size);
    if (at < 0)
        throw EFileError("cannot read '" + ToUtf8(package.Path()) + "': too short for a package (" +
                         std::to_string(size) + " bytes)");
    unsigned char field[kLengthFieldSize];
    package.Seek(at);
    package.ReadExact(field, sizeof field);
    const std::int64_t length = ReadInt32LE(field);
    if (length >= size) return std::nullopt;
    if (length < 0 || length > at)
        throw EFileError("cannot read '" + ToUtf8(package.Path()) + "': table length " + std::to_string(length) +
                         " does not fit before its length field at " + std::to_string(at));

    std::string bytes(static_cast<std::size_t>(length), '\0');
    package.Seek(at - length);
    package.ReadExact(bytes.data(), bytes.size());
    package.Seek(0);
    return AnsiToUtf16(bytes);
}

std::unique_ptr<TDataTable> ReadPackageTable(TFile& package, const std::u16string& password) {
    std::optional<std::u16string> text = ReadPackageTableText(package);
    if (!text) return nullptr;
    auto table = std::make_unique<TDataTable>(u"", PackageConvertSet());
    table->Init(DecryptText(*text, password));
    return table;
}

}  // namespace stp
