#include "package/RecordStream.h"

#include <algorithm>
#include <memory>
#include <string>

#include <libdeflate.h>
#include <zlib.h>
#if STP_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include "datatable/Errors.h"

namespace stp {

namespace {

// The writer went away: the reader unwinds quietly.
struct TStopped {};

struct TDecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const noexcept { libdeflate_free_decompressor(d); }
};

// One zlib inflater, ended with the object.
class TInflater {
public:
    TInflater() {
        if (inflateInit(&stream_) != Z_OK) throw EInflateError("cannot start zlib's inflater");
    }
    ~TInflater() { inflateEnd(&stream_); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
};

}  // namespace

struct TRecordStream::TDecoders {
    std::unique_ptr<libdeflate_decompressor, TDecompressorDeleter> Whole{libdeflate_alloc_decompressor()};
#if STP_HAVE_ISAL
    std::unique_ptr<inflate_state> Fast;  // 87 KB, made for the first streamed record
#endif
};

TRecordStream::TRecordStream(TFile& Package, std::vector<TRecordSpan> Spans, std::size_t WholeLimit,
                             std::size_t ChunkSize)
    : package_(Package), spans_(std::move(Spans)), wholeLimit_(WholeLimit),
      chunk_(std::max<std::size_t>(ChunkSize, 1)) {
    reader_ = std::thread([this] { Read(); });
}

TRecordStream::~TRecordStream() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

bool TRecordStream::Put(TPiece Piece) {
    std::unique_lock<std::mutex> lock(lock_);
    // One piece may always wait, however large, so that the reader never stalls alone.
    changed_.wait(lock, [&] { return stop_ || queue_.empty() || queued_ + Piece.Bytes.size() <= kAheadBytes; });
    if (stop_) return false;
    queued_ += Piece.Bytes.size();
    queue_.push_back(std::move(Piece));
    lock.unlock();
    changed_.notify_all();
    return true;
}

TRecordStream::TPiece TRecordStream::Next(std::size_t Index) {
    std::unique_lock<std::mutex> lock(lock_);
    changed_.wait(lock, [&] { return !queue_.empty() || finished_; });
    if (queue_.empty()) throw EPackageError("record " + std::to_string(Index + 1) + " was never read");
    TPiece piece = std::move(queue_.front());
    queue_.pop_front();
    queued_ -= piece.Bytes.size();
    lock.unlock();
    changed_.notify_all();
    if (piece.Record != Index)
        throw EPackageError("record " + std::to_string(piece.Record + 1) + " was read in place of record " +
                            std::to_string(Index + 1));
    return piece;
}

void TRecordStream::Skip(std::size_t Index) {
    while (!Next(Index).Last) {
    }
}

void TRecordStream::Read() {
    try {
        TDecoders decoders;
        for (std::size_t i = 0; i < spans_.size(); ++i) {
            const TRecordSpan span = spans_[i];
            // A record of unknown length ends the stream: where the next one starts is unknown.
            if (span.Packed < 0 || span.Size < 0) break;
            std::int64_t start = 0;
            try {
                start = package_.Position();
                ReadRecord(i, decoders);
            } catch (const TStopped&) {
                throw;
            } catch (...) {
                if (!Put({i, {}, std::current_exception(), true})) return;
            }
            // Bytes after a record's zlib stream still belong to it.
            try {
                package_.Seek(start + span.Packed);
            } catch (const Error&) {
                // The next record cannot be reached: it fails with the reason.
                if (i + 1 < spans_.size()) Put({i + 1, {}, std::current_exception(), true});
                break;
            }
        }
    } catch (...) {
        // Stopped, or the package cannot be positioned: the records not handed on stay unread.
    }
    {
        std::lock_guard<std::mutex> lock(lock_);
        finished_ = true;
    }
    changed_.notify_all();
}

void TRecordStream::ReadRecord(std::size_t Index, TDecoders& Decoders) {
    const TRecordSpan span = spans_[Index];
    libdeflate_decompressor* whole = Decoders.Whole.get();
    if (!whole || span.Packed > std::int64_t(wholeLimit_) || span.Size > std::int64_t(wholeLimit_))
        return Stream(Index, Decoders);
    const std::int64_t start = package_.Position();
    std::vector<unsigned char> packed(static_cast<std::size_t>(span.Packed));
    try {
        package_.ReadExact(packed.data(), packed.size());
    } catch (const Error&) {
        // Read again piece by piece, as far as it goes, so the same bytes come before the error.
        package_.Seek(start);
        return Inflate(Index, nullptr, span.Packed, span.Size);
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(span.Size));
    if (libdeflate_zlib_decompress(whole, packed.data(), packed.size(), bytes.data(), bytes.size(), nullptr) ==
        LIBDEFLATE_SUCCESS) {
        if (!Put({Index, std::move(bytes), nullptr, true})) throw TStopped{};
        return;
    }
    // Damaged, or of a form only zlib reads: zlib decides, and says what is wrong.
    Inflate(Index, packed.data(), span.Packed, span.Size);
}

void TRecordStream::Stream(std::size_t Index, TDecoders& Decoders) {
    const TRecordSpan span = spans_[Index];
#if STP_HAVE_ISAL
    const std::int64_t start = package_.Position();
    bool handed = false;
    if (InflateFast(Index, Decoders, handed)) return;
    // zlib decides, from the record's start: what ISA-L handed on is void.
    package_.Seek(start);
    if (handed && !Put({Index, {}, nullptr, false, true})) throw TStopped{};
#else
    (void)Decoders;
#endif
    Inflate(Index, nullptr, span.Packed, span.Size);
}

#if STP_HAVE_ISAL
// Streams the record through ISA-L. True when it ended cleanly at the record's size with
// its Adler-32 sum matching; false at anything else (damage, a read error, too many or
// too few bytes, input that ends first), for zlib to decide. Handed: pieces were put.
bool TRecordStream::InflateFast(std::size_t Index, TDecoders& Decoders, bool& Handed) {
    const TRecordSpan span = spans_[Index];
    if (!Decoders.Fast) Decoders.Fast = std::make_unique<inflate_state>();
    inflate_state& s = *Decoders.Fast;
    isal_inflate_init(&s);
    s.crc_flag = ISAL_ZLIB;
    std::vector<unsigned char> in(chunk_);
    std::int64_t left = span.Packed;
    std::int64_t written = 0;
    bool full = false;
    for (;;) {
        if (stop_) throw TStopped{};
        // ISA-L may take all input into its own buffer while output is still pending:
        // more is fed only after a call that did not fill the output.
        if (s.avail_in == 0 && !full) {
            if (left == 0) return false;
            const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, chunk_));
            try {
                package_.ReadExact(in.data(), want);
            } catch (const Error&) {
                return false;
            }
            // A window zlib would call invalid; ISA-L does not look.
            if (left == span.Packed && (in[0] >> 4) > 7) return false;
            left -= static_cast<std::int64_t>(want);
            s.next_in = in.data();
            s.avail_in = static_cast<std::uint32_t>(want);
        }
        std::vector<unsigned char> out(chunk_);
        s.next_out = out.data();
        s.avail_out = static_cast<std::uint32_t>(out.size());
        const std::uint32_t given = s.avail_in;
        if (isal_inflate(&s) != ISAL_DECOMP_OK) return false;
        const std::size_t got = out.size() - s.avail_out;
        const bool ended = s.block_state == ISAL_BLOCK_FINISH;
        // A call that took none of the input it had and gave nothing would be repeated for
        // ever (one without input, after a full output, is followed by feeding).
        if (got == 0 && given > 0 && s.avail_in == given && !ended) return false;
        full = s.avail_out == 0;
        written += static_cast<std::int64_t>(got);
        if (written > span.Size || (ended && written != span.Size)) return false;
        if (got > 0) {
            out.resize(got);
            out.shrink_to_fit();  // what waits counts as what it holds
            if (!Put({Index, std::move(out), nullptr, false})) throw TStopped{};
            Handed = true;
        }
        if (ended) {
            if (!Put({Index, {}, nullptr, true})) throw TStopped{};
            return true;
        }
    }
}
#endif

// Held: the record's bytes, read already; null: read from the package.
void TRecordStream::Inflate(std::size_t Index, const unsigned char* Held, std::int64_t Packed, std::int64_t Size) {
    TInflater inflater;
    z_stream& z = inflater.Stream();
    std::vector<unsigned char> in(Held ? 0 : chunk_);
    std::int64_t left = Packed;
    std::int64_t written = 0;
    bool ended = false;
    while (!ended) {
        // A record that inflates to little for much input puts nothing for long: the
        // writer's going is checked here too.
        if (stop_) throw TStopped{};
        if (z.avail_in == 0) {
            if (left == 0) throw EInflateError("the record ends before its zlib stream");
            const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, chunk_));
            if (Held) {
                z.next_in = const_cast<unsigned char*>(Held + (Packed - left));
            } else {
                package_.ReadExact(in.data(), want);
                z.next_in = in.data();
            }
            left -= static_cast<std::int64_t>(want);
            z.avail_in = static_cast<uInt>(want);
        }
        std::vector<unsigned char> out(chunk_);
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            ended = true;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            throw EInflateError(std::string("zlib: ") + (z.msg ? z.msg : "error " + std::to_string(rc)));
        }
        const std::size_t got = out.size() - z.avail_out;
        if (written + static_cast<std::int64_t>(got) > Size)
            throw EInflateError("the record inflates to more than its " + std::to_string(Size) + " bytes");
        out.resize(got);
        out.shrink_to_fit();  // what waits counts as what it holds
        written += static_cast<std::int64_t>(got);
        if (got > 0 && !Put({Index, std::move(out), nullptr, false})) throw TStopped{};
    }
    if (written != Size)
        throw EInflateError("the record inflates to " + std::to_string(written) + " bytes, not " +
                            std::to_string(Size));
    if (!Put({Index, {}, nullptr, true})) throw TStopped{};
}

}  // namespace stp
