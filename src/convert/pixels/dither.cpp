// SPDX-License-Identifier: MIT
#include "convert/pixels/dither.h"

#include "convert/pixels/pack_colour.h"
#include "convert/write/preview.h"

#include <algorithm>
#include <array>

namespace pixolan {
namespace {

// The levels the panel shows for the codes of a channel of `bits` bits, lowest first.
template <int Bits> constexpr std::array<int, 1 << Bits> ShownLevels()
{
    std::array<int, 1 << Bits> levels{};
    for (int code = 0; code < (1 << Bits); ++code)
        levels[code] = ExpandChannel(unsigned(code), Bits);
    return levels;
}

// The 8 x 8 Bayer matrix: every value 0-63 once, each quarter of it spread over the block.
constexpr std::array<std::array<int, 8>, 8> MakeBayer()
{
    std::array<std::array<int, 8>, 8> m{};
    m[0][0] = 0;
    for (int size = 1; size < 8; size *= 2)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const int v = 4 * m[y][x];
                m[y][x] = v;
                m[y][x + size] = v + 2;
                m[y + size][x] = v + 3;
                m[y + size][x + size] = v + 1;
            }
    return m;
}
constexpr auto kBayer = MakeBayer();

// The ordered code of every channel value for each of the 64 thresholds t = (2b + 1) / 128. With
// the value v between the shown levels L(k) <= v < L(k + 1), the code is k + 1 when
// (v - L(k)) / (L(k + 1) - L(k)) + t >= 1 and k otherwise: floor(v / step + t) with the step
// measured between the levels the panel really shows.
template <int Bits> constexpr std::array<std::array<std::uint8_t, 256>, 64> OrderedCodes()
{
    constexpr auto levels = ShownLevels<Bits>();
    constexpr int top = (1 << Bits) - 1;
    std::array<std::array<std::uint8_t, 256>, 64> codes{};
    for (int b = 0; b < 64; ++b) {
        int k = 0;
        for (int v = 0; v < 256; ++v) {
            while (k < top && levels[k + 1] <= v)
                ++k;
            int code = k;
            if (k < top) {
                const int step = levels[k + 1] - levels[k];
                if (128 * (v - levels[k]) + (2 * b + 1) * step >= 128 * step)
                    ++code;
            }
            codes[b][v] = std::uint8_t(code);
        }
    }
    return codes;
}
constexpr auto kOrdered3 = OrderedCodes<3>();
constexpr auto kOrdered2 = OrderedCodes<2>();

// Floyd-Steinberg works in 1/256 of a level. The nearest shown level is looked up by the value
// in 1/16 of a level, rounded down: every half way point between two shown levels is a whole
// number of 1/16 levels (a multiple of 128/256), so each step of the table lies wholly on one side
// of it and the lookup is exact. A value exactly half way goes up.
constexpr int kUnit = 256;
constexpr int kLookupShift = 4; // kUnit / 16
constexpr int kLookupLast = 255 << (8 - kLookupShift);

template <int Bits> constexpr std::array<std::uint8_t, kLookupLast + 1> NearestCodes()
{
    constexpr auto levels = ShownLevels<Bits>();
    constexpr auto distance = [](int a, int b) { return a < b ? b - a : a - b; };
    std::array<std::uint8_t, kLookupLast + 1> nearest{};
    for (int t = 0; t <= kLookupLast; ++t) {
        const int value = t << kLookupShift;
        int best = 0;
        for (int code = 1; code < int(levels.size()); ++code)
            if (distance(levels[code] * kUnit, value) <= distance(levels[best] * kUnit, value))
                best = code;
        nearest[t] = std::uint8_t(best);
    }
    return nearest;
}
constexpr auto kNearest3 = NearestCodes<3>();
constexpr auto kNearest2 = NearestCodes<2>();
constexpr auto kLevels3 = ShownLevels<3>();
constexpr auto kLevels2 = ShownLevels<2>();

// One channel of one pixel: the code of the shown level nearest to its value plus the error
// carried to it. That code's error is shared out exactly: the shares are rounded down and the last
// one takes what is left. `ahead` is set, as the pixel ahead has no other share yet, and so is
// `belowAhead`, which this pixel is the first of its row to reach.
template <int Bits>
inline int Diffuse(int value, int carried, int &ahead, int *belowBehind, int *below,
                   int *belowAhead)
{
    const auto &nearest = Bits == 3 ? kNearest3 : kNearest2;
    const int *levels = Bits == 3 ? kLevels3.data() : kLevels2.data();
    const int target = value * kUnit + carried;
    const int code = nearest[std::clamp(target >> kLookupShift, 0, kLookupLast)];
    const int error = target - levels[code] * kUnit;
    const int e7 = (error * 7) >> 4;
    const int e3 = (error * 3) >> 4;
    const int e5 = (error * 5) >> 4;
    ahead = e7;
    *belowBehind += e3;
    *below += e5;
    *belowAhead = error - e7 - e3 - e5;
    return code;
}

} // namespace

PixelCoder::PixelCoder(Dither dither, int width) : m_dither(dither), m_width(width)
{
    if (m_dither == Dither::FloydSteinberg)
        for (std::vector<int> &errors : m_errors)
            errors.assign(std::size_t(m_width + 2) * 3, 0);
}

void PixelCoder::CodeRow(const QRgb *pixels, int y, std::uint8_t *codes)
{
    switch (m_dither) {
    case Dither::None:
        for (int x = 0; x < m_width; ++x)
            codes[x] = PackColour(ColourFromRgb(pixels[x]));
        return;
    case Dither::Ordered:
        OrderedRow(pixels, y, codes);
        return;
    case Dither::FloydSteinberg:
        DiffusedRow(pixels, y, codes);
        return;
    }
}

void PixelCoder::OrderedRow(const QRgb *pixels, int y, std::uint8_t *codes) const
{
    const std::array<int, 8> &thresholds = kBayer[std::size_t(y & 7)];
    for (int x = 0; x < m_width; ++x) {
        const int b = thresholds[std::size_t(x & 7)];
        const QRgb pixel = pixels[x];
        codes[x] = std::uint8_t(kOrdered3[b][qRed(pixel)] << 5 | kOrdered3[b][qGreen(pixel)] << 2 |
                                kOrdered2[b][qBlue(pixel)]);
    }
}

void PixelCoder::DiffusedRow(const QRgb *pixels, int y, std::uint8_t *codes)
{
    const int *current = m_errors[y & 1].data();
    int *next = m_errors[(y + 1) & 1].data();
    const int step = (y & 1) ? -1 : 1;
    const int first = step > 0 ? 0 : m_width - 1;
    // Pixel x keeps its error at slot x + 1; slots 0 and width + 1 take what leaves the row. Each
    // slot of the next row is first reached by the pixel before it (see Diffuse()), but for the
    // first pixel's and the one behind it, which start empty.
    std::fill_n(next + (first + 1) * 3, 3, 0);
    std::fill_n(next + (first + 1 - step) * 3, 3, 0);

    int aheadRed = 0;
    int aheadGreen = 0;
    int aheadBlue = 0;
    for (int i = 0, x = first; i < m_width; ++i, x += step) {
        const QRgb pixel = pixels[x];
        const int *here = current + (x + 1) * 3;
        int *below = next + (x + 1) * 3;
        int *behind = below - step * 3;
        int *ahead = below + step * 3;
        const int red = Diffuse<3>(qRed(pixel), here[0] + aheadRed, aheadRed, behind, below, ahead);
        const int green = Diffuse<3>(qGreen(pixel), here[1] + aheadGreen, aheadGreen, behind + 1,
                                     below + 1, ahead + 1);
        const int blue = Diffuse<2>(qBlue(pixel), here[2] + aheadBlue, aheadBlue, behind + 2,
                                    below + 2, ahead + 2);
        codes[x] = std::uint8_t(red << 5 | green << 2 | blue);
    }
}

} // namespace pixolan
