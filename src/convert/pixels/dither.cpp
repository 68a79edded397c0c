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
    std::array<std::uint8_t, kLookupLast + 1> nearest{}; // by the value in 1/16 of a level
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

int NearestCode(const ChannelTables &tables, int target)
{
    return tables.nearest[std::size_t(std::clamp(target >> kLookupShift, 0, kLookupLast))];
}

// Floyd-Steinberg over one channel's row. Pixel x keeps its error at slot x + 1 of `current` and
// `next`; slots 0 and width + 1 take what leaves the row. Each code's error is shared out exactly:
// the shares are rounded down and the last one takes what is left. The share below and ahead is
// set, not added, as this pixel is the first of its row to reach that slot; the first pixel's
// slot and the one behind it start empty.
void FloydSteinbergRow(const ChannelTables &tables, const std::uint8_t *samples, int width, int y,
                       const int *current, int *next, std::uint8_t *codes)
{
    const int step = (y & 1) ? -1 : 1;
    const int first = step > 0 ? 0 : width - 1;
    next[first + 1] = 0;
    next[first + 1 - step] = 0;
    int ahead = 0;
    for (int i = 0, x = first; i < width; ++i, x += step) {
        const int target = samples[x] * kUnit + current[x + 1] + ahead;
        const int code = NearestCode(tables, target);
        const int error = target - tables.levels[std::size_t(code)] * kUnit;
        const int e7 = (error * 7) >> 4;
        const int e3 = (error * 3) >> 4;
        const int e5 = (error * 5) >> 4;
        ahead = e7;
        next[x + 1 - step] += e3;
        next[x + 1] += e5;
        next[x + 1 + step] = error - e7 - e3 - e5;
        codes[x] = std::uint8_t(code);
    }
}

// Atkinson over one channel's row, left to right. Pixel x keeps its error at slot x + 2 of each
// row; two spare slots at each end take what leaves the picture. An eighth of the error, rounded
// towards zero so that no sign is favoured, goes to x + 1 and x + 2, to x - 1, x and x + 1 below
// and to x two rows below.
void AtkinsonRow(const ChannelTables &tables, const std::uint8_t *samples, int width, int *current,
                 int *next, int *after, std::uint8_t *codes)
{
    std::fill_n(after, width + 4, 0);
    for (int x = 0; x < width; ++x) {
        const int target = samples[x] * kUnit + current[x + 2];
        const int code = NearestCode(tables, target);
        const int share = (target - tables.levels[std::size_t(code)] * kUnit) / 8;
        current[x + 3] += share;
        current[x + 4] += share;
        next[x + 1] += share;
        next[x + 2] += share;
        next[x + 3] += share;
        after[x + 2] += share;
        codes[x] = std::uint8_t(code);
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
    m_samples.resize(w);
    for (int c = 0; c < m_info.Channels(); ++c) {
        m_channelCodes[c].resize(w);
        const int rows = m_dither == Dither::Atkinson ? 3 : 2;
        for (int r = 0; r < rows; ++r)
            m_errors[c][r].assign(w + 4, 0);
    }
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
    const int channels = m_info.Channels();
    for (int c = 0; c < channels; ++c) {
        std::uint8_t *samples = m_samples.data();
        if (m_info.grey)
            for (int x = 0; x < m_width; ++x)
                samples[x] =
                    std::uint8_t(GreyLevel(qRed(pixels[x]), qGreen(pixels[x]), qBlue(pixels[x])));
        else
            for (int x = 0; x < m_width; ++x)
                samples[x] = std::uint8_t(pixels[x] >> (16 - 8 * c));
        ChannelRow(c, y, m_channelCodes[c].data());
    }
    const std::uint32_t flip = m_info.OneBit() && m_invert ? 1 : 0;
    for (int x = 0; x < m_width; ++x) {
        std::uint32_t code = 0;
        for (int c = 0; c < channels; ++c)
            code |= std::uint32_t(m_channelCodes[c][std::size_t(x)]) << m_info.Shift(c);
        codes[x] = code ^ flip;
    }
}

void PixelCoder::ChannelRow(int channel, int y, std::uint8_t *codes)
{
    const ChannelTables &tables = TablesFor(m_info.bits[std::size_t(channel)]);
    const std::uint8_t *samples = m_samples.data();
    std::vector<int>(&errors)[3] = m_errors[channel];
    switch (m_dither) {
    case Dither::None:
        break;
    case Dither::Ordered: {
        const std::array<int, 8> &thresholds = kBayer[std::size_t(y & 7)];
        for (int x = 0; x < m_width; ++x)
            codes[x] = tables.ordered[std::size_t(thresholds[std::size_t(x & 7)])][samples[x]];
        break;
    }
    case Dither::FloydSteinberg:
        FloydSteinbergRow(tables, samples, m_width, y, errors[y & 1].data(),
                          errors[(y + 1) & 1].data(), codes);
        break;
    case Dither::Atkinson:
        AtkinsonRow(tables, samples, m_width, errors[y % 3].data(), errors[(y + 1) % 3].data(),
                    errors[(y + 2) % 3].data(), codes);
        break;
    }
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
