#include "package/Deflater.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

#include "datatable/Errors.h"
#include "package/Format.h"

namespace stp {

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kWindow = 32 * 1024;

using TBytes = std::vector<unsigned char>;

// Raw deflate of one chunk: primed with dictionary, ended with a sync flush (an empty
// stored block, leaving the stream byte-aligned and open) or, for the last chunk, with
// the final block.
TBytes DeflateChunk(const TBytes& input, const TBytes& dictionary, bool last, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw EInflateError("cannot start zlib's deflater");
    struct TEnd {
        z_stream* z;
        ~TEnd() { deflateEnd(z); }
    } end{&z};
    if (!dictionary.empty()) deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size()));
    TBytes out(deflateBound(&z, static_cast<uLong>(input.size())) + 16);
    z.next_in = const_cast<unsigned char*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (rc != (last ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
        throw EInflateError("zlib cannot deflate a chunk (" + std::to_string(rc) + ")");
    out.resize(out.size() - z.avail_out);
    return out;
}

struct TCompressorDeleter {
    void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};

// A whole zlib stream of input by libdeflate's strongest level.
TBytes DeflateWhole(const TBytes& input) {
    std::unique_ptr<libdeflate_compressor, TCompressorDeleter> c(libdeflate_alloc_compressor(kMaxLevel));
    if (!c) throw EInflateError("cannot start libdeflate's compressor");
    TBytes out(libdeflate_zlib_compress_bound(c.get(), input.size()));
    const std::size_t n = libdeflate_zlib_compress(c.get(), input.data(), input.size(), out.data(), out.size());
    if (n == 0) throw EInflateError("libdeflate cannot deflate a file");
    out.resize(n);
    return out;
}

}  // namespace

// A fixed set of worker threads taking tasks in order.
class TParallelDeflater::TPool {
public:
    explicit TPool(unsigned threads) {
        for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    }
    ~TPool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (auto& t : workers_) t.join();
    }
    std::size_t Size() const { return workers_.size(); }

    std::future<TBytes> Submit(std::function<TBytes()> task) {
        std::packaged_task<TBytes()> packaged(std::move(task));
        std::future<TBytes> result = packaged.get_future();
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(packaged));
        }
        wake_.notify_one();
        return result;
    }

private:
    void Work() {
        for (;;) {
            std::packaged_task<TBytes()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
                if (tasks_.empty()) return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    std::vector<std::thread> workers_;
    std::deque<std::packaged_task<TBytes()>> tasks_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

TParallelDeflater::TParallelDeflater(int level, unsigned threads, std::size_t wholeLimit)
    : level_(level), wholeLimit_(wholeLimit) {
    if ((level < 0 || level > 9) && level != kMaxLevel)
        throw Error("compression level " + std::to_string(level) + " is not 0 to 9 or the strongest");
    if (wholeLimit > kMaxWholeFileLimit)
        throw Error("whole-file limit " + std::to_string(wholeLimit) + " is over " +
                    std::to_string(kMaxWholeFileLimit));
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    pool_ = std::make_unique<TPool>(threads);
}

TParallelDeflater::~TParallelDeflater() = default;

std::vector<TDeflateResult> TParallelDeflater::Deflate(const std::vector<std::u16string>& sources, const TByteSink& out,
                                                       const std::function<void(std::int64_t)>& Progress) {
    std::vector<TDeflateResult> results(sources.size());
    struct TPending {
        std::future<TBytes> bytes;
        std::size_t file;
        std::size_t size;  // source bytes of the chunk
        bool first;
        bool last;
        bool whole;  // a whole zlib stream, header and checksum included
    };
    std::deque<TPending> pending;
    // Chunks in flight are bounded, so memory does not grow with the files.
    const std::size_t inFlight = pool_->Size() * 2 + 1;
    std::int64_t done = 0;

    auto drainOne = [&] {
        TPending p = std::move(pending.front());
        pending.pop_front();
        TDeflateResult& r = results[p.file];
        if (p.whole) {
            const TBytes bytes = p.bytes.get();
            out(bytes.data(), bytes.size());
            r.Compressed += static_cast<std::int64_t>(bytes.size());
            done += static_cast<std::int64_t>(p.size);
            if (Progress) Progress(done);
            return;
        }
        if (p.first) {
            out(kRecordHeader, sizeof kRecordHeader);
            r.Compressed += sizeof kRecordHeader;
        }
        const TBytes bytes = p.bytes.get();
        out(bytes.data(), bytes.size());
        r.Compressed += static_cast<std::int64_t>(bytes.size());
        if (p.last) {
            const unsigned char adler[4] = {
                static_cast<unsigned char>(r.Adler >> 24), static_cast<unsigned char>(r.Adler >> 16),
                static_cast<unsigned char>(r.Adler >> 8), static_cast<unsigned char>(r.Adler)};
            out(adler, sizeof adler);
            r.Compressed += sizeof adler;
        }
        done += static_cast<std::int64_t>(p.size);
        if (Progress) Progress(done);
    };

    // Whole files in flight are bounded by their bytes too: 128 MB, or one file at the limit.
    const std::size_t wholeInFlight = std::max<std::size_t>(std::size_t(128) << 20, wholeLimit_);
    auto pendingBytes = [&] {
        std::size_t bytes = 0;
        for (const TPending& p : pending) bytes += p.size;
        return bytes;
    };
    for (std::size_t f = 0; f < sources.size(); ++f) {
        TFile source = TFile::OpenRead(sources[f]);
        TDeflateResult& r = results[f];
        if (level_ == kMaxLevel && source.Size() <= static_cast<std::int64_t>(wholeLimit_)) {
            auto whole = std::make_shared<TBytes>(static_cast<std::size_t>(source.Size()));
            whole->resize(source.Read(whole->data(), whole->size()));
            r.Uncompressed = static_cast<std::int64_t>(whole->size());
            r.Adler = adler32(r.Adler, whole->data(), static_cast<uInt>(whole->size()));
            pending.push_back(
                {pool_->Submit([whole] { return DeflateWhole(*whole); }), f, whole->size(), true, true, true});
            while (pending.size() >= inFlight || pendingBytes() > wholeInFlight) drainOne();
            continue;
        }
        const int chunkLevel = level_ == kMaxLevel ? 9 : level_;
        auto dictionary = std::make_shared<TBytes>();
        auto chunk = std::make_shared<TBytes>(kChunk);
        chunk->resize(source.Read(chunk->data(), kChunk));
        for (bool first = true;; first = false) {
            // One chunk of look-ahead tells whether this chunk is the last.
            auto next = std::make_shared<TBytes>(chunk->size() == kChunk ? kChunk : 0);
            next->resize(next->empty() ? 0 : source.Read(next->data(), kChunk));
            const bool last = next->empty();

            r.Uncompressed += static_cast<std::int64_t>(chunk->size());
            r.Adler = adler32(r.Adler, chunk->data(), static_cast<uInt>(chunk->size()));
            const int level = chunkLevel;
            pending.push_back({pool_->Submit([chunk, dictionary, last, level] {
                                   return DeflateChunk(*chunk, *dictionary, last, level);
                               }),
                               f, chunk->size(), first, last, false});
            while (pending.size() >= inFlight) drainOne();
            if (last) break;

            dictionary = std::make_shared<TBytes>(chunk->end() - std::min(chunk->size(), kWindow), chunk->end());
            chunk = std::move(next);
        }
    }
    while (!pending.empty()) drainOne();
    return results;
}

}  // namespace stp
