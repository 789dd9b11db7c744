// A record read by the extraction's record stream (libdeflate for a record held whole,
// ISA-L streamed, zlib when either refuses) against a plain zlib inflate of it: the same
// bytes, in order, and then the same error or none. One difference is allowed: a record
// that zlib refuses (it enforces rules of the format that the faster decoders do not)
// but that the faster decoder alone inflates to exactly the declared size with a
// matching Adler-32 sum is delivered whole. The first two input bytes give the declared
// size, the third whether the record is streamed and the size of the pieces it is read
// and inflated in (512 bytes to 128 KiB, so that small inputs cross many pieces); the
// rest is the record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <libdeflate.h>
#include <zlib.h>
#if STP_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/RecordStream.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::string bytes;
    std::string error;  // empty: none
};

// What the extraction did before it read ahead: inflate in pieces, written as they come.
Outcome PlainInflate(const std::string& record, std::int64_t size, std::size_t chunk) {
    Outcome o;
    z_stream z{};
    inflateInit(&z);
    std::string out(chunk, '\0');
    std::size_t at = 0;
    std::int64_t written = 0;
    bool ended = false;
    while (!ended) {
        if (z.avail_in == 0) {
            if (at == record.size()) {
                o.error = "the record ends before its zlib stream";
                break;
            }
            const std::size_t want = std::min(record.size() - at, chunk);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(record.data() + at));
            z.avail_in = static_cast<uInt>(want);
            at += want;
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            ended = true;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            o.error = std::string("zlib: ") + (z.msg ? z.msg : "error " + std::to_string(rc));
            break;
        }
        const std::size_t got = out.size() - z.avail_out;
        if (written + static_cast<std::int64_t>(got) > size) {
            o.error = "the record inflates to more than its " + std::to_string(size) + " bytes";
            break;
        }
        o.bytes.append(out.data(), got);
        written += static_cast<std::int64_t>(got);
    }
    if (o.error.empty() && written != size)
        o.error = "the record inflates to " + std::to_string(written) + " bytes, not " + std::to_string(size);
    inflateEnd(&z);
    return o;
}

// What the faster decoder alone makes of the record, when it accepts it whole.
bool FastAlone(const std::string& record, bool streamed, std::string& whole) {
    if (!streamed) {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        const bool accepted = libdeflate_zlib_decompress(d, record.data(), record.size(), whole.data(), whole.size(),
                                                         nullptr) == LIBDEFLATE_SUCCESS;
        libdeflate_free_decompressor(d);
        return accepted;
    }
#if STP_HAVE_ISAL
    static inflate_state s;
    isal_inflate_init(&s);
    s.crc_flag = ISAL_ZLIB;
    s.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(record.data()));
    s.avail_in = static_cast<std::uint32_t>(record.size());
    std::string out(whole.size() + 1, '\0');
    s.next_out = reinterpret_cast<std::uint8_t*>(out.data());
    s.avail_out = static_cast<std::uint32_t>(out.size());
    if (isal_inflate(&s) != ISAL_DECOMP_OK || s.block_state != ISAL_BLOCK_FINISH) return false;
    if (out.size() - s.avail_out != whole.size()) return false;
    whole = out.substr(0, whole.size());
    return true;
#else
    return false;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::string record(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::int64_t declared = data[0] | data[1] << 8;
    const bool streamed = data[2] & 1;
    const std::size_t chunk = std::size_t(512) << ((data[2] >> 1) % 9);
    const Outcome want = PlainInflate(record, declared, chunk);

    static const fs::path file = fs::temp_directory_path() / ("stp-fuzz-record-" + std::to_string(getpid()));
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(record.data(), static_cast<std::streamsize>(record.size()));
    Outcome got;
    {
        stp::TFile package = stp::TFile::OpenRead(stp::FromUtf8(file.string()));
        stp::TRecordStream records(package, {{static_cast<std::int64_t>(record.size()), declared}},
                                   streamed ? 0 : stp::TRecordStream::kWholeRecord, chunk);
        try {
            records.Take(
                0, [&](const void* bytes, std::size_t n) { got.bytes.append(static_cast<const char*>(bytes), n); },
                [&] { got.bytes.clear(); });
        } catch (const stp::Error& e) {
            got.error = e.what();
        }
    }
    if (!want.error.empty() && got.error.empty()) {
        // Checked by its sum and its size.
        std::string whole(static_cast<std::size_t>(declared), '\0');
        if (FastAlone(record, streamed, whole) && got.bytes == whole) return 0;
    }
    if (got.bytes != want.bytes || got.error != want.error) {
        std::fprintf(stderr, "record stream: %zu bytes, error '%s'; plain inflate: %zu bytes, error '%s'\n",
                     got.bytes.size(), got.error.c_str(), want.bytes.size(), want.error.c_str());
        std::abort();
    }
    return 0;
}
