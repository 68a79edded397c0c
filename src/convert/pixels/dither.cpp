// SPDX-License-Identifier: MIT
#include "convert/pixels/dither.h"

#include "convert/pixels/pack_colour.h"

#include <algorithm>
#include <array>
#include <memory>

namespace pixolan {
namespace {

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

// The diffusions work in 1/256 of a level. The nearest shown level is looked up by the value in
// 1/16 of a level, rounded down: every half way point between two shown levels (whole numbers) is
// a multiple of 128/256, so each step of the table lies wholly on one side of it and the lookup
// is exact. A value exactly half way goes up.
constexpr int kUnit = 256;
constexpr int kLookupShift = 4; // kUnit / 16
constexpr int kLookupLast = 255 << (8 - kLookupShift);

// What coding a channel of `bits` bits (1-8) needs.
struct ChannelTables
{
    int top = 0;                   // the largest code
    std::array<int, 256> levels{}; // the level each code shows
    // The ordered code of every value for each of the 64 thresholds t = (2b + 1) / 128. With the
    // value v between the shown levels L(k) <= v < L(k + 1), the code is k + 1 when
    // (v - L(k)) / (L(k + 1) - L(k)) + t >= 1 and k otherwise: floor(v / step + t) with the step
    // measured between the levels the panel really shows.
    std::array<std::array<std::uint8_t, 256>, 64> ordered{};
    // The nearest code by the value in 1/16 of a level, and the level it shows: looked up side by
    // side, so that the error needs no second lookup after the first.
    std::array<std::uint8_t, kLookupLast + 1> nearest{};
    std::array<std::uint8_t, kLookupLast + 1> nearestLevel{};
};

ChannelTables MakeTables(int bits)
{
    ChannelTables tables;
    tables.top = (1 << bits) - 1;
    for (int code = 0; code <= tables.top; ++code)
        tables.levels[std::size_t(code)] = ExpandChannel(unsigned(code), bits);
    const auto level = [&tables](int code) { return tables.levels[std::size_t(code)]; };

    for (int b = 0; b < 64; ++b) {
        int k = 0;
        for (int v = 0; v < 256; ++v) {
            while (k < tables.top && level(k + 1) <= v)
                ++k;
            int code = k;
            if (k < tables.top) {
                const int step = level(k + 1) - level(k);
                if (128 * (v - level(k)) + (2 * b + 1) * step >= 128 * step)
                    ++code;
            }
            tables.ordered[std::size_t(b)][std::size_t(v)] = std::uint8_t(code);
        }
    }

    int best = 0;
    for (int t = 0; t <= kLookupLast; ++t) {
        const int value = t << kLookupShift;
        // Levels rise with the code, so the nearest one only ever moves up.
        while (best < tables.top && level(best + 1) * kUnit - value <= value - level(best) * kUnit)
            ++best;
        tables.nearest[std::size_t(t)] = std::uint8_t(best);
        tables.nearestLevel[std::size_t(t)] = std::uint8_t(level(best));
    }
    return tables;
}

const ChannelTables &TablesFor(int bits)
{
    static const auto tables = [] {
        auto all = std::make_unique<std::array<ChannelTables, 9>>();
        for (int bits = 1; bits <= 8; ++bits)
            (*all)[std::size_t(bits)] = MakeTables(bits);
        return all;
    }();
    return (*tables)[std::size_t(bits)];
}

// The value channel c of a pixel is coded from: red, green or blue, or for grey (N = 1) the
// grey level.
template <int N> int Sample(QRgb pixel, int c)
{
    if constexpr (N == 1)
        return GreyLevel(qRed(pixel), qGreen(pixel), qBlue(pixel));
    else
        return int(pixel >> (16 - 8 * c)) & 0xFF;
}

// The shown level nearest to a value in 1/256 of a level: its code, and the value minus the
// level, which the diffusions carry on.
struct Nearest
{
    std::uint32_t code;
    int error;
};

// The channels of a format as the dithers code them, N of them (3, or 1 for grey): each one's
// tables and where its code sits in the pixel's code.
template <int N> struct ChannelSet
{
    std::array<const ChannelTables *, N> tables;
    std::array<int, N> shifts;

    // Channel c of `pixel` with `carried` added (in 1/256 of a level), to its nearest level.
    Nearest ToNearest(int c, QRgb pixel, int carried) const
    {
        const ChannelTables &table = *tables[std::size_t(c)];
        const int target = Sample<N>(pixel, c) * kUnit + carried;
        const std::size_t t = std::size_t(std::clamp(target >> kLookupShift, 0, kLookupLast));
        return {table.nearest[t], target - table.nearestLevel[t] * kUnit};
    }
    // Channel c's code moved to its place in the pixel's code.
    std::uint32_t Placed(int c, std::uint32_t code) const { return code << shifts[std::size_t(c)]; }
};

template <int N> ChannelSet<N> ChannelsOf(const FormatInfo &info)
{
    ChannelSet<N> set{};
    for (int c = 0; c < N; ++c) {
        set.tables[std::size_t(c)] = &TablesFor(info.bits[std::size_t(c)]);
        set.shifts[std::size_t(c)] = info.Shift(c);
    }
    return set;
}

// The dithers below code all channels of a pixel before the next pixel. Each channel's error runs
// on by itself, so the processor overlaps the channels. The rows of carried error hold the
// channels side by side: slot s of channel c is element s * N + c.

// Codes every channel of one pixel to its nearest level, with carried(c) of error added to
// channel c, and hands what is left over to spread(c, error); gives the pixel's code. The loop is
// unrolled, so that each channel's carry can stay in a register.
template <int N, typename Carried, typename Spread>
std::uint32_t CodePixel(const ChannelSet<N> &channels, QRgb pixel, Carried carried, Spread spread)
{
    std::uint32_t code = 0;
#pragma GCC unroll 3
    for (int c = 0; c < N; ++c) {
        const Nearest nearest = channels.ToNearest(c, pixel, carried(c));
        spread(c, nearest.error);
        code |= channels.Placed(c, nearest.code);
    }
    return code;
}

template <int N>
void OrderedRow(const ChannelSet<N> &channels, const QRgb *pixels, int width, int y,
                std::uint32_t *codes)
{
    const std::array<int, 8> &thresholds = kBayer[std::size_t(y & 7)];
    for (int x = 0; x < width; ++x) {
        const std::size_t threshold = std::size_t(thresholds[std::size_t(x & 7)]);
        std::uint32_t code = 0;
        for (int c = 0; c < N; ++c)
            code |=
                channels.Placed(c, channels.tables[std::size_t(c)]
                                       ->ordered[threshold][std::size_t(Sample<N>(pixels[x], c))]);
        codes[x] = code;
    }
}

// Floyd-Steinberg over one row. Pixel x keeps its error at slot x + 1 of `current` and `next`;
// slots 0 and width + 1 take what leaves the row. Each code's error is shared out exactly: the
// shares are rounded down and the last one takes what is left. The share below and ahead is set,
// not added, as this pixel is the first of its row to reach that slot; the first pixel's slot and
// the one behind it start empty.
template <int N>
void FloydSteinbergRow(const ChannelSet<N> &channels, const QRgb *pixels, int width, int y,
                       const int *current, int *next, std::uint32_t *codes)
{
    const int step = (y & 1) ? -1 : 1;
    const int first = step > 0 ? 0 : width - 1;
    std::fill_n(next + (first + 1) * N, N, 0);
    std::fill_n(next + (first + 1 - step) * N, N, 0);
    std::array<int, N> ahead{};
    for (int i = 0, x = first; i < width; ++i, x += step) {
        const int *above = current + (x + 1) * N;
        int *below = next + (x + 1) * N;
        codes[x] = CodePixel(
            channels, pixels[x], [&](int c) { return above[c] + ahead[std::size_t(c)]; },
            [&](int c, int error) {
                const int e7 = (error * 7) >> 4;
                const int e3 = (error * 3) >> 4;
                const int e5 = (error * 5) >> 4;
                ahead[std::size_t(c)] = e7;
                below[c - step * N] += e3;
                below[c] += e5;
                below[c + step * N] = error - e7 - e3 - e5;
            });
    }
}

// Atkinson over one row, left to right. Pixel x keeps its error at slot x + 2 of each row; two
// spare slots at each end take what leaves the picture. An eighth of the error, rounded towards
// zero so that no sign is favoured, goes to x + 1 and x + 2 (carried along the row), to x - 1, x
// and x + 1 below and to x two rows below.
template <int N>
void AtkinsonRow(const ChannelSet<N> &channels, const QRgb *pixels, int width, const int *current,
                 int *next, int *after, std::uint32_t *codes)
{
    std::fill_n(after, (width + 4) * N, 0);
    std::array<int, N> ahead{};    // the shares of the two pixels before for this one
    std::array<int, N> twoAhead{}; // the share of the pixel before for the next one
    for (int x = 0; x < width; ++x) {
        const int *above = current + (x + 2) * N;
        int *below = next + (x + 2) * N;
        int *twoBelow = after + (x + 2) * N;
        codes[x] = CodePixel(
            channels, pixels[x], [&](int c) { return above[c] + ahead[std::size_t(c)]; },
            [&](int c, int error) {
                const int share = error / 8;
                ahead[std::size_t(c)] = twoAhead[std::size_t(c)] + share;
                twoAhead[std::size_t(c)] = share;
                below[c - N] += share;
                below[c] += share;
                below[c + N] += share;
                twoBelow[c] += share;
            });
    }
}

// Codes row y with a dither, N channels a pixel; `errors` are the rows of carried error.
template <int N>
void DitheredRow(const FormatInfo &info, Dither dither, std::vector<int> (&errors)[3],
                 const QRgb *pixels, int width, int y, std::uint32_t *codes)
{
    const ChannelSet<N> channels = ChannelsOf<N>(info);
    switch (dither) {
    case Dither::None:
        break;
    case Dither::Ordered:
        OrderedRow(channels, pixels, width, y, codes);
        break;
    case Dither::FloydSteinberg:
        FloydSteinbergRow(channels, pixels, width, y, errors[y & 1].data(),
                          errors[(y + 1) & 1].data(), codes);
        break;
    case Dither::Atkinson:
        AtkinsonRow(channels, pixels, width, errors[y % 3].data(), errors[(y + 1) % 3].data(),
                    errors[(y + 2) % 3].data(), codes);
        break;
    }
}

} // namespace

PixelCoder::PixelCoder(const ExportOptions &options, int width)
    : m_info(Info(options.format)), m_dither(options.dither), m_width(std::max(width, 0)),
      m_threshold(options.threshold), m_invert(options.invert)
{
    const std::size_t w = std::size_t(m_width);
    m_wide.resize(w);
    if (m_dither == Dither::None)
        return;
    const int rows = m_dither == Dither::Atkinson ? 3 : 2;
    for (int r = 0; r < rows; ++r)
        m_errors[r].assign((w + 4) * std::size_t(m_info.Channels()), 0);
}

void PixelCoder::CodeRow(const QRgb *pixels, int y, std::uint8_t *codes)
{
    CodeRow(pixels, y, m_wide.data());
    std::transform(m_wide.begin(), m_wide.end(), codes,
                   [](std::uint32_t code) { return std::uint8_t(code); });
}

void PixelCoder::CodeRow(const QRgb *pixels, int y, std::uint32_t *codes)
{
    if (m_dither == Dither::None) {
        TruncatedRow(pixels, codes);
        return;
    }
    if (m_info.grey)
        DitheredRow<1>(m_info, m_dither, m_errors, pixels, m_width, y, codes);
    else
        DitheredRow<3>(m_info, m_dither, m_errors, pixels, m_width, y, codes);
    if (m_info.OneBit() && m_invert)
        std::for_each(codes, codes + m_width, [](std::uint32_t &code) { code ^= 1; });
}

void PixelCoder::TruncatedRow(const QRgb *pixels, std::uint32_t *codes) const
{
    if (m_info.OneBit()) {
        const std::uint32_t flip = m_invert ? 1 : 0;
        for (int x = 0; x < m_width; ++x) {
            const QRgb p = pixels[x];
            codes[x] = std::uint32_t(GreyLevel(qRed(p), qGreen(p), qBlue(p)) >= m_threshold) ^ flip;
        }
    } else if (m_info.grey) {
        const int drop = 8 - m_info.bits[0];
        for (int x = 0; x < m_width; ++x) {
            const QRgb p = pixels[x];
            codes[x] = std::uint32_t(GreyLevel(qRed(p), qGreen(p), qBlue(p)) >> drop);
        }
    } else if (m_info.format == PixelFormat::Rgb332) {
        for (int x = 0; x < m_width; ++x)
            codes[x] = PackColour(ColourFromRgb(pixels[x]));
    } else if (m_info.bits == std::array<int, 3>{5, 6, 5}) {
        // The panels' most common format, with shifts the compiler knows.
        for (int x = 0; x < m_width; ++x) {
            const QRgb p = pixels[x];
            codes[x] = ((p >> 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 3) & 0x001Fu);
        }
    } else {
        // Each channel's top bits, moved from the pixel straight to their place in the code.
        const auto [redBits, greenBits, blueBits] = m_info.bits;
        const int redShift = 24 - redBits - m_info.Shift(0);
        const int greenShift = 16 - greenBits - m_info.Shift(1);
        const int blueShift = 8 - blueBits;
        const std::uint32_t redMask = ((1u << redBits) - 1) << m_info.Shift(0);
        const std::uint32_t greenMask = ((1u << greenBits) - 1) << m_info.Shift(1);
        const std::uint32_t blueMask = (1u << blueBits) - 1;
        for (int x = 0; x < m_width; ++x) {
            const QRgb p = pixels[x];
            codes[x] = ((p >> redShift) & redMask) | ((p >> greenShift) & greenMask) |
                       ((p >> blueShift) & blueMask);
        }
    }
}

} // namespace pixolan
