// A record read by the extraction's record stream (libdeflate for a record held whole,
// zlib streamed otherwise) against a plain zlib inflate of it: the same bytes, in order,
// and then the same error or none. One difference is allowed: a record held whole that
// zlib refuses (it enforces a rule of the format that libdeflate does not) but that
// libdeflate inflates to exactly the declared size with a matching Adler-32 sum is
// delivered whole. The first two input bytes give the declared size's low bits and
// whether the record is streamed; the rest is the record.
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

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/RecordStream.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::string bytes;
    std::string error;  // empty: none
};

// What the extraction did before it read ahead: inflate in 256 KiB pieces, written as they come.
Outcome PlainInflate(const std::string& record, std::int64_t size) {
    Outcome o;
    z_stream z{};
    inflateInit(&z);
    std::string out(stp::TRecordStream::kChunkSize, '\0');
    std::size_t at = 0;
    std::int64_t written = 0;
    bool ended = false;
    while (!ended) {
        if (z.avail_in == 0) {
            if (at == record.size()) {
                o.error = "the record ends before its zlib stream";
                break;
            }
            const std::size_t want = std::min(record.size() - at, stp::TRecordStream::kChunkSize);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string record(reinterpret_cast<const char*>(data + 2), size - 2);
    // Sizes near the record's, small ones, and ones past the whole-record limit.
    const bool streamed = data[1] & 1;
    std::int64_t declared = data[0] | (data[1] >> 1) << 8;
    if (streamed) declared += std::int64_t(stp::TRecordStream::kWholeRecord);
    const Outcome want = PlainInflate(record, declared);

    static const fs::path file = fs::temp_directory_path() / ("stp-fuzz-record-" + std::to_string(getpid()));
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(record.data(), static_cast<std::streamsize>(record.size()));
    Outcome got;
    {
        stp::TFile package = stp::TFile::OpenRead(stp::FromUtf8(file.string()));
        stp::TRecordStream records(package, {{static_cast<std::int64_t>(record.size()), declared}});
        try {
            records.Take(0, [&](const void* bytes, std::size_t n) { got.bytes.append(static_cast<const char*>(bytes), n); });
        } catch (const stp::Error& e) {
            got.error = e.what();
        }
    }
    if (!want.error.empty() && got.error.empty() && !streamed) {
        // Checked by its sum and its size: what libdeflate alone makes of it.
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        std::string whole(static_cast<std::size_t>(declared), '\0');
        const bool accepted = libdeflate_zlib_decompress(d, record.data(), record.size(), whole.data(), whole.size(),
                                                         nullptr) == LIBDEFLATE_SUCCESS;
        libdeflate_free_decompressor(d);
        if (accepted && got.bytes == whole) return 0;
    }
    if (got.bytes != want.bytes || got.error != want.error) {
        std::fprintf(stderr, "record stream: %zu bytes, error '%s'; plain inflate: %zu bytes, error '%s'\n",
                     got.bytes.size(), got.error.c_str(), want.bytes.size(), want.error.c_str());
        std::abort();
    }
    return 0;
}
