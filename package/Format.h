// The setup package's byte layout, shared by the writer and the reader.
//
//   records (one zlib stream per file, back to back)
//   table text (the file table as an encrypted text envelope, one byte per character)
//   length of the table text (signed 32-bit little-endian)
//   trailer (0x0A 0x14 0x02 as written; readers also accept 22-, 10- and 29-byte ones)
//
// There is no header: a reader finds the parts from the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datatable/Types.h"

namespace stp {

inline constexpr unsigned char kPackageTrailer[] = {0x0A, 0x14, 0x02};
inline constexpr std::size_t kLengthFieldSize = 4;
// The writer's records start with zlib's header for its strongest levels.
inline constexpr unsigned char kRecordHeader[] = {0x78, 0xDA};

// Columns of the file table.
enum TPackageColumn : int {
    pcFolder = 0,            // folder specification
    pcFileName = 1,          // file name (the only converted column)
    pcCompressedSize = 2,    // record length in bytes
    pcUncompressedSize = 3,  // file length in bytes
    pcRootFlag = 4,          // optional: true puts the file straight into the destination
};
inline constexpr int kMinPackageColumns = 4;

// The folder macros; both name the Windows system directory.
inline constexpr char16_t kSystemMacro[] = u"$System$";
inline constexpr char16_t kThirdMacro[] = u"$Third$";

// The conversion set of a file table: column 1 only.
TColumnSet PackageConvertSet();

// How many of the package's last bytes LengthFieldOffset looks at.
inline constexpr std::size_t kPackageTailSize = 10;

// Offset of the length field in a package of fileSize bytes whose last
// min(fileSize, kPackageTailSize) bytes are tail (tail[tailSize-1] is the last byte).
// Bytes before the file's start never match a marker. The result may be negative for
// a file too short to hold one.
std::int64_t LengthFieldOffset(const unsigned char* tail, std::size_t tailSize, std::int64_t fileSize);

}  // namespace stp
