#include "crypt/Haval.h"

#include <bit>

#include <cryptopp/misc.h>

namespace stp {

namespace {

using Word = std::uint32_t;

// The initial state: the first 256 bits of the fraction of pi.
// The constants laid out as the algorithm's definition gives them.
// clang-format off
constexpr std::array<Word, 8> kInitialState = {
    0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
    0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89,
};

// Order in which each pass reads the 32 words of a block.
constexpr std::uint8_t kWordOrder[5][32] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5, 14, 26, 18, 11, 28, 7, 16, 0, 23, 20, 22, 1, 10, 4, 8,
     30, 3, 21, 9, 17, 24, 29, 6, 19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9, 4, 20, 28, 17, 8, 22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7, 3, 1, 0, 18, 27, 13, 6, 21, 10, 23, 11, 5, 2},
    {24, 4, 0, 14, 2, 7, 28, 23, 26, 6, 30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8, 27, 12, 9, 1, 29, 5, 15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0, 12, 7, 13, 8, 31, 10,
     5, 9, 14, 30, 18, 6, 28, 24, 2, 23, 16, 22, 4, 1, 25, 15},
};

// Round constants of passes 2 to 5: the next words of the fraction of pi. Pass 1 adds none.
constexpr Word kRoundConstant[5][32] = {
    {},
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
     0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
     0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
     0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
     0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
     0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
     0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
     0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
     0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
     0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
     0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
     0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
     0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4},
};

// The Boolean functions F1 to F5, arguments named x6 down to x0 as in the paper.
Word F1(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
}

Word F2(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
}

Word F3(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
}

Word F4(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6))
        ^ (x2 & x6) ^ x0;
}

Word F5(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

using BooleanFunction = Word (*)(Word, Word, Word, Word, Word, Word, Word);
constexpr BooleanFunction kFunction[5] = {F1, F2, F3, F4, F5};

// The permutations phi(5, j): which of x6..x0 each function receives, in its argument order.
constexpr std::uint8_t kPhi[5][7] = {
    {3, 4, 1, 0, 5, 2, 6},
    {6, 2, 1, 0, 3, 4, 5},
    {2, 6, 0, 4, 3, 1, 5},
    {1, 5, 3, 2, 0, 4, 6},
    {2, 5, 0, 6, 4, 3, 1},
};
// clang-format on

// Version 1, 5 passes, 256-bit digest, as the two bytes that precede the bit count.
constexpr std::uint8_t kTrailer[2] = {(0 << 6) | (5 << 3) | 1, 256 >> 2};

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kLengthFieldsOffset = kBlockSize - 10;

Word ReadWord(const std::uint8_t* p) {
    return Word{p[0]} | (Word{p[1]} << 8) | (Word{p[2]} << 16) | (Word{p[3]} << 24);
}

}  // namespace

Haval256Pass5::Haval256Pass5(std::uint8_t firstPaddingByte) : firstPaddingByte_(firstPaddingByte) { Start(); }

Haval256Pass5::~Haval256Pass5() { Wipe(); }

void Haval256Pass5::Start() {
    Wipe();
    state_ = kInitialState;
}

void Haval256Pass5::Wipe() {
    CryptoPP::SecureWipeBuffer(state_.data(), state_.size());
    CryptoPP::SecureWipeBuffer(block_.data(), block_.size());
    blockFill_ = 0;
    messageBytes_ = 0;
}

void Haval256Pass5::Feed(std::span<const std::uint8_t> data) {
    messageBytes_ += data.size();
    for (const std::uint8_t byte : data) {
        block_[blockFill_++] = byte;
        if (blockFill_ == kBlockSize) {
            Compress();
            blockFill_ = 0;
        }
    }
}

void Haval256Pass5::Finish(std::span<std::uint8_t, kDigestSize> digest) {
    const std::uint64_t bitCount = messageBytes_ * 8;
    const std::uint8_t zero = 0;
    Feed({&firstPaddingByte_, 1});
    while (blockFill_ != kLengthFieldsOffset) {
        Feed({&zero, 1});
    }
    Feed(kTrailer);
    for (int i = 0; i < 8; ++i) {
        const auto byte = static_cast<std::uint8_t>(bitCount >> (8 * i));
        Feed({&byte, 1});
    }
    for (std::size_t i = 0; i < state_.size(); ++i) {
        for (std::size_t b = 0; b < 4; ++b) {
            digest[4 * i + b] = static_cast<std::uint8_t>(state_[i] >> (8 * b));
        }
    }
    Start();
}

void Haval256Pass5::Compress() {
    std::array<Word, 32> w;
    for (std::size_t i = 0; i < w.size(); ++i) {
        w[i] = ReadWord(&block_[4 * i]);
    }
    std::array<Word, 8> t = state_;
    for (int pass = 0; pass < 5; ++pass) {
        for (int step = 0; step < 32; ++step) {
            // Each step updates one register; the roles x7..x0 rotate by one per step.
            Word x[8];
            for (int j = 0; j < 8; ++j) {
                x[j] = t[(j + 8 - step % 8) % 8];
            }
            const std::uint8_t* phi = kPhi[pass];
            const Word f = kFunction[pass](x[phi[0]], x[phi[1]], x[phi[2]], x[phi[3]], x[phi[4]], x[phi[5]], x[phi[6]]);
            t[(15 - step % 8) % 8] =
                std::rotr(f, 7) + std::rotr(x[7], 11) + w[kWordOrder[pass][step]] + kRoundConstant[pass][step];
        }
    }
    for (std::size_t i = 0; i < state_.size(); ++i) {
        state_[i] += t[i];
    }
    CryptoPP::SecureWipeBuffer(w.data(), w.size());
    CryptoPP::SecureWipeBuffer(t.data(), t.size());
}

}  // namespace stp
