#include "picture/Resample.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace stp::picture {

namespace {

// The source pixels one target pixel of a row or column weighs, and their weights.
struct Taps {
    int First = 0;
    std::vector<float> Weights;
};

// For each of the target's Size pixels along one axis of a source of SourceSize.
std::vector<Taps> AxisTaps(int SourceSize, int Size) {
    const double scale = double(SourceSize) / Size;
    // The triangle's half-width in source pixels: one, or the footprint when reducing.
    const double radius = std::max(1.0, scale);
    std::vector<Taps> taps(static_cast<std::size_t>(Size));
    for (int i = 0; i < Size; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int first = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
        const int last = std::min(SourceSize - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
        Taps& t = taps[static_cast<std::size_t>(i)];
        double total = 0;
        std::vector<double> weights;
        for (int s = first; s <= last; ++s) {
            const double w = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            weights.push_back(w);
            total += w;
        }
        // At an edge the nearest source pixel alone (the triangle found none inside).
        if (total <= 0) {
            const int nearest = std::clamp(static_cast<int>(std::lround(centre)), 0, SourceSize - 1);
            t.First = nearest;
            t.Weights = {1.0f};
            continue;
        }
        t.First = first;
        for (double w : weights) t.Weights.push_back(static_cast<float>(w / total));
    }
    return taps;
}

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

Pixels FromBgr(int Width, int Height, const std::vector<std::uint8_t>& Bgr, std::optional<std::uint32_t> Key) {
    if (Width <= 0 || Height <= 0 || Bgr.size() != std::size_t(Width) * std::size_t(Height) * 3)
        throw std::invalid_argument("The picture's pixels do not match its size.");
    Pixels p{Width, Height, std::vector<std::uint8_t>(std::size_t(Width) * std::size_t(Height) * 4)};
    for (std::size_t i = 0, n = std::size_t(Width) * std::size_t(Height); i < n; ++i) {
        const std::uint8_t* in = &Bgr[i * 3];
        std::uint8_t* out = &p.Bgra[i * 4];
        const std::uint32_t rgb = std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        if (Key && rgb == *Key) continue;  // transparent: all zero
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255;
    }
    return p;
}

Pixels Resample(const Pixels& Source, int Width, int Height) {
    if (Source.Width <= 0 || Source.Height <= 0 || Width <= 0 || Height <= 0 ||
        Source.Bgra.size() != std::size_t(Source.Width) * std::size_t(Source.Height) * 4)
        throw std::invalid_argument("A picture cannot be scaled from or to an empty size.");
    // Rows first into a float buffer of the target's width, then columns.
    const std::vector<Taps> across = AxisTaps(Source.Width, Width);
    const std::vector<Taps> down = AxisTaps(Source.Height, Height);
    std::vector<float> rows(std::size_t(Width) * std::size_t(Source.Height) * 4);
    for (int y = 0; y < Source.Height; ++y) {
        const std::uint8_t* in = &Source.Bgra[std::size_t(y) * std::size_t(Source.Width) * 4];
        float* out = &rows[std::size_t(y) * std::size_t(Width) * 4];
        for (int x = 0; x < Width; ++x) {
            const Taps& t = across[std::size_t(x)];
            float sum[4] = {0, 0, 0, 0};
            for (std::size_t k = 0; k < t.Weights.size(); ++k) {
                const std::uint8_t* px = in + (std::size_t(t.First) + k) * 4;
                for (int c = 0; c < 4; ++c) sum[c] += t.Weights[k] * px[c];
            }
            std::copy(sum, sum + 4, out + std::size_t(x) * 4);
        }
    }
    Pixels result{Width, Height, std::vector<std::uint8_t>(std::size_t(Width) * std::size_t(Height) * 4)};
    for (int y = 0; y < Height; ++y) {
        const Taps& t = down[std::size_t(y)];
        std::uint8_t* out = &result.Bgra[std::size_t(y) * std::size_t(Width) * 4];
        for (int x = 0; x < Width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (std::size_t k = 0; k < t.Weights.size(); ++k) {
                const float* px = &rows[((std::size_t(t.First) + k) * std::size_t(Width) + std::size_t(x)) * 4];
                for (int c = 0; c < 4; ++c) sum[c] += t.Weights[k] * px[c];
            }
            for (int c = 0; c < 4; ++c) out[std::size_t(x) * 4 + std::size_t(c)] = ToByte(sum[c]);
        }
    }
    return result;
}

void Binarise(Pixels& Picture) {
    for (std::size_t i = 0; i + 3 < Picture.Bgra.size(); i += 4) {
        std::uint8_t* px = &Picture.Bgra[i];
        const int alpha = px[3];
        if (alpha < 128) {
            px[0] = px[1] = px[2] = px[3] = 0;
            continue;
        }
        for (int c = 0; c < 3; ++c) px[c] = static_cast<std::uint8_t>(std::min(255, (px[c] * 255 + alpha / 2) / alpha));
        px[3] = 255;
    }
}

}  // namespace stp::picture
