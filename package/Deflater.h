// Compresses files into zlib streams on every core. A file is cut into 1 MiB chunks;
// each chunk is deflated on its own, primed with the 32 KiB before it and ended on a
// byte boundary, so the chunks joined make one valid zlib stream. The output depends
// only on the input and the level, never on the number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/FileSystem.h"

namespace stp {

// Where packed bytes go, in order: a file or memory.
using TByteSink = std::function<void(const void* Bytes, std::size_t Size)>;

struct TDeflateResult {
    std::int64_t Compressed = 0;    // bytes of the zlib stream written
    std::int64_t Uncompressed = 0;  // bytes read from the source
    std::uint32_t Adler = 1;        // Adler-32 of the source
};

// The strongest level: each file deflated whole by libdeflate's strongest compressor (a
// zlib stream smaller than zlib's level 9 gives); a file larger than the whole-file limit
// (kWholeFileLimit unless given; a build machine holds about twice that in memory) is
// deflated in chunks at level 9 instead, so memory stays bounded.
inline constexpr int kMaxLevel = 12;
inline constexpr std::size_t kWholeFileLimit = std::size_t(1) << 30;
// The largest whole-file limit: a package row holds at most 2 GB.
inline constexpr std::size_t kMaxWholeFileLimit = std::size_t(2047) << 20;

class TParallelDeflater {
public:
    // level: 0 to 9, zlib's, or kMaxLevel; threads 0 means one per core; wholeLimit: the
    // largest file kMaxLevel deflates whole (at most kMaxWholeFileLimit).
    TParallelDeflater(int level, unsigned threads, std::size_t wholeLimit = kWholeFileLimit);
    ~TParallelDeflater();
    TParallelDeflater(const TParallelDeflater&) = delete;
    TParallelDeflater& operator=(const TParallelDeflater&) = delete;

    // Appends to out one zlib stream per source, in order, each of all the source's
    // bytes. Chunks of later files are deflated while earlier ones are written, so many
    // small files keep every core busy too.
    // Progress, when given, hears the number of source bytes written so far after each
    // chunk.
    std::vector<TDeflateResult> Deflate(const std::vector<std::u16string>& sources, const TByteSink& out,
                                        const std::function<void(std::int64_t)>& Progress = {});

private:
    class TPool;
    int level_;
    std::size_t wholeLimit_;
    std::unique_ptr<TPool> pool_;
};

}  // namespace stp
