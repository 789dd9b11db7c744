// The package's records read and inflated ahead of the files they become: a thread of
// its own reads record after record and hands on what each inflates to, in order, while
// the extraction writes the earlier ones. A record that fits a bounded buffer is
// inflated whole by libdeflate; a larger one streams in pieces, through ISA-L's inflate
// where the build has it, else through zlib. zlib is the reference: a record either
// faster decoder refuses (or, streamed, does not end cleanly at its size) is inflated
// again by zlib exactly as a single-threaded extraction would inflate it, so a damaged
// record yields the same bytes before the same error.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "package/FileSystem.h"

namespace stp {

// One record's place in the package: its bytes in the package, what they inflate to.
// A size that could not be read is negative; the stream stops before such a record.
struct TRecordSpan {
    std::int64_t Packed = -1;
    std::int64_t Size = -1;
};

class TRecordStream {
public:
    // Records whole at most this large, packed and inflated, go through libdeflate.
    static constexpr std::size_t kWholeRecord = 4 << 20;
    // What the reader may hold ahead of the writer, in inflated bytes.
    static constexpr std::size_t kAheadBytes = 12 << 20;
    // The pieces a streamed record is read and inflated in.
    static constexpr std::size_t kChunkSize = 256 * 1024;

    // Starts reading the records at the package's position, one per span, in order;
    // records larger than WholeLimit stream in pieces of ChunkSize (tests make both small).
    TRecordStream(TFile& Package, std::vector<TRecordSpan> Spans, std::size_t WholeLimit = kWholeRecord,
                  std::size_t ChunkSize = kChunkSize);
    // Stops the reader and waits for it.
    ~TRecordStream();
    TRecordStream(const TRecordStream&) = delete;
    TRecordStream& operator=(const TRecordStream&) = delete;

    // The next record, which must be record Index: calls Write with each piece of its
    // bytes in order, then raises what inflating it raised, if anything. Restart is
    // called when what was written of the record is void and its bytes come again from
    // the start (a streamed record zlib inflates again).
    template <class F, class R>
    void Take(std::size_t Index, F&& Write, R&& Restart) {
        for (;;) {
            TPiece piece = Next(Index);
            if (piece.Restart) Restart();
            if (piece.Error) std::rethrow_exception(piece.Error);
            if (!piece.Bytes.empty()) Write(piece.Bytes.data(), piece.Bytes.size());
            if (piece.Last) return;
        }
    }
    // Passes over record Index, whatever it holds.
    void Skip(std::size_t Index);

private:
    struct TPiece {
        std::size_t Record = 0;
        std::vector<unsigned char> Bytes;
        std::exception_ptr Error;  // the record ends with this error
        bool Last = false;         // the record's last piece
        bool Restart = false;      // what came of the record before is void
    };

    TPiece Next(std::size_t Index);
    void Read();
    struct TDecoders;  // the reader's faster decoders, made as records need them
    void ReadRecord(std::size_t Index, TDecoders& Decoders);
    void Stream(std::size_t Index, TDecoders& Decoders);
    bool InflateFast(std::size_t Index, TDecoders& Decoders, bool& Handed);
    void Inflate(std::size_t Index, const unsigned char* Held, std::int64_t Packed, std::int64_t Size);
    // Hands Piece on, waiting while the writer is too far behind; false when stopped.
    bool Put(TPiece Piece);

    TFile& package_;
    std::vector<TRecordSpan> spans_;
    std::size_t wholeLimit_;
    std::size_t chunk_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<TPiece> queue_;
    std::size_t queued_ = 0;         // bytes in queue_
    std::atomic<bool> stop_{false};  // the writer has gone
    bool finished_ = false;          // the reader has ended
    std::thread reader_;
};

}  // namespace stp
