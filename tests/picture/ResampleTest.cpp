// Scaling pictures: colours kept, every source pixel counted when reducing, no dark seam
// where a colour-keyed picture meets its transparent colour.
#include <gtest/gtest.h>

#include <stdexcept>

#include "picture/Resample.h"

namespace stp::picture {
namespace {

std::vector<std::uint8_t> Fill(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::vector<std::uint8_t> bgr;
    for (int i = 0; i < width * height; ++i) bgr.insert(bgr.end(), {b, g, r});
    return bgr;
}

const std::uint8_t* At(const Pixels& p, int x, int y) { return &p.Bgra[(std::size_t(y) * p.Width + x) * 4]; }

TEST(Resample, KeepsAPlainColourAtEverySize) {
    const struct {
        int w, h, toW, toH;
    } cases[] = {{160, 308, 200, 385}, {160, 308, 240, 462}, {32, 32, 64, 64}, {320, 616, 240, 462},
                 {3, 5, 7, 2},         {1, 1, 9, 9},         {9, 9, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " to " + std::to_string(c.toW) + "x" +
                     std::to_string(c.toH));
        const Pixels out = Resample(FromBgr(c.w, c.h, Fill(c.w, c.h, 10, 120, 250), std::nullopt), c.toW, c.toH);
        ASSERT_EQ(out.Width, c.toW);
        ASSERT_EQ(out.Height, c.toH);
        for (int y = 0; y < c.toH; ++y)
            for (int x = 0; x < c.toW; ++x) {
                const std::uint8_t* px = At(out, x, y);
                ASSERT_EQ(px[0], 10);
                ASSERT_EQ(px[1], 120);
                ASSERT_EQ(px[2], 250);
                ASSERT_EQ(px[3], 255);
            }
    }
}

TEST(Resample, EnlargesAnEdgeWithoutRingingAndKeepsItsSides) {
    // Black left half, white right half, 8 wide, doubled: the outer columns keep their
    // colour and the row never darkens or brightens on the way across.
    std::vector<std::uint8_t> bgr;
    for (int x = 0; x < 8; ++x) bgr.insert(bgr.end(), 3, x < 4 ? 0 : 255);
    const Pixels out = Resample(FromBgr(8, 1, bgr, std::nullopt), 16, 2);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(At(out, 0, y)[0], 0);
        EXPECT_EQ(At(out, 6, y)[0], 0);
        EXPECT_EQ(At(out, 9, y)[0], 255);
        EXPECT_EQ(At(out, 15, y)[0], 255);
        for (int x = 1; x < 16; ++x) EXPECT_GE(At(out, x, y)[0], At(out, x - 1, y)[0]) << x;
    }
}

TEST(Resample, ReducingCountsEverySourcePixel) {
    // A one-pixel line anywhere in the source still shows after a reduction to 3/8.
    for (int line = 0; line < 8; ++line) {
        std::vector<std::uint8_t> bgr = Fill(8, 1, 0, 0, 0);
        bgr[std::size_t(line) * 3 + 1] = 255;
        const Pixels out = Resample(FromBgr(8, 1, bgr, std::nullopt), 3, 1);
        int seen = 0;
        for (int x = 0; x < 3; ++x) seen += At(out, x, 0)[1];
        EXPECT_GT(seen, 40) << "line at " << line;
    }
}

TEST(Resample, ColourKeyedPicturesKeepTheirColoursToTheEdge) {
    // A red square in a magenta (key) frame, enlarged by 1.5 and 2: every pixel shown is
    // pure red (no seam darkened or tinted by the key), the corners stay transparent.
    const std::uint32_t key = 0xFF00FF;
    std::vector<std::uint8_t> bgr;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool frame = x < 2 || x > 5 || y < 2 || y > 5;
            bgr.insert(bgr.end(), frame ? std::initializer_list<std::uint8_t>{255, 0, 255}
                                        : std::initializer_list<std::uint8_t>{0, 0, 255});
        }
    for (int size : {12, 16}) {
        Pixels out = Resample(FromBgr(8, 8, bgr, key), size, size);
        Binarise(out);
        int opaque = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const std::uint8_t* px = At(out, x, y);
                if (px[3] == 0) continue;
                ++opaque;
                EXPECT_EQ(px[3], 255);
                EXPECT_EQ(px[2], 255) << x << "," << y;
                EXPECT_EQ(px[1], 0) << x << "," << y;
                EXPECT_EQ(px[0], 0) << x << "," << y;
            }
        EXPECT_NEAR(opaque, size * size / 4, size) << size;
        EXPECT_EQ(At(out, 0, size - 1)[3], 0);
    }
}

TEST(Resample, RefusesEmptyOrMismatchedPictures) {
    EXPECT_THROW(FromBgr(2, 2, std::vector<std::uint8_t>(11), std::nullopt), std::invalid_argument);
    EXPECT_THROW(FromBgr(0, 2, {}, std::nullopt), std::invalid_argument);
    const Pixels one = FromBgr(1, 1, {1, 2, 3}, std::nullopt);
    EXPECT_THROW(Resample(one, 0, 4), std::invalid_argument);
    EXPECT_THROW(Resample(Pixels{2, 2, {}}, 4, 4), std::invalid_argument);
}

}  // namespace
}  // namespace stp::picture
