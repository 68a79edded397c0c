// SPDX-License-Identifier: MIT
#include "convert/pixels/pixel_format.h"

#include "convert/pixels/pack_colour.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace pixolan {
namespace {

using enum Layout;

constexpr FormatInfo kFormats[] = {
    {PixelFormat::Rgb332,
     "rgb332",
     "RGB332",
     false,
     {3, 3, 2},
     Byte,
     "int8",
     "one RRRGGGBB byte each"},
    {PixelFormat::Rgb565,
     "rgb565",
     "RGB565",
     false,
     {5, 6, 5},
     Word,
     "uint16_t",
     "one RRRRRGGGGGGBBBBB value each"},
    {PixelFormat::Rgb565Be,
     "rgb565be",
     "RGB565, high byte first",
     false,
     {5, 6, 5},
     WordHighFirst,
     "uint8_t",
     "two bytes each, RRRRRGGG then GGGBBBBB"},
    {PixelFormat::Rgb666,
     "rgb666",
     "RGB666",
     false,
     {6, 6, 6},
     Triplet,
     "uint8_t",
     "three bytes each, R, G and B in bits 7-2"},
    {PixelFormat::Rgb888,
     "rgb888",
     "RGB888",
     false,
     {8, 8, 8},
     Triplet,
     "uint8_t",
     "three bytes each, R, G and B"},
    {PixelFormat::Gray8,
     "gray8",
     "8-bit grey",
     true,
     {8, 0, 0},
     Byte,
     "uint8_t",
     "one grey byte each"},
    {PixelFormat::Gray4,
     "gray4",
     "4-bit grey",
     true,
     {4, 0, 0},
     Nibbles,
     "uint8_t",
     "two a byte, the left one in bits 7-4, each row padded to whole bytes"},
    {PixelFormat::Mono,
     "mono",
     "1-bit",
     true,
     {1, 0, 0},
     BitsHighFirst,
     "uint8_t",
     "eight a byte, the leftmost in bit 7, each row padded to whole bytes, 1 lit"},
    {PixelFormat::MonoLsb,
     "mono-lsb",
     "1-bit, leftmost in bit 0",
     true,
     {1, 0, 0},
     BitsLowFirst,
     "uint8_t",
     "eight a byte, the leftmost in bit 0, each row padded to whole bytes, 1 lit"},
    {PixelFormat::MonoPages,
     "mono-pages",
     "1-bit pages",
     true,
     {1, 0, 0},
     Pages,
     "uint8_t",
     "a byte a column of 8 rows, the top in bit 0, pages of 8 rows from the top, 1 lit"},
};

} // namespace

const FormatInfo &Info(PixelFormat format)
{
    return kFormats[std::size_t(format)];
}

std::optional<PixelFormat> ParseFormat(const QString &text)
{
    for (const FormatInfo &info : kFormats)
        if (text == QLatin1String(info.name.data(), qsizetype(info.name.size())))
            return info.format;
    return std::nullopt;
}

QString FormatNames()
{
    QStringList names;
    for (const FormatInfo &info : kFormats)
        names += QLatin1String(info.name.data(), qsizetype(info.name.size()));
    return names.join(QStringLiteral(", "));
}

bool FormatInfo::Padded() const
{
    return layout == Nibbles || layout == BitsHighFirst || layout == BitsLowFirst ||
           layout == Pages;
}

qint64 FormatInfo::LineBytes(int width) const
{
    const qint64 w = std::max(width, 0);
    switch (layout) {
    case Byte:
        return w;
    case Word:
    case WordHighFirst:
        return 2 * w;
    case Triplet:
        return 3 * w;
    case Nibbles:
        return (w + 1) / 2;
    case BitsHighFirst:
    case BitsLowFirst:
        return (w + 7) / 8;
    case Pages:
        return w;
    }
    return 0;
}

QRgb FormatInfo::ShownColour(std::uint32_t code) const
{
    if (grey) {
        const int level = ExpandChannel(code, bits[0]);
        return qRgb(level, level, level);
    }
    int levels[3];
    for (int c = 0; c < 3; ++c)
        levels[c] = ExpandChannel((code >> Shift(c)) & ((1u << bits[c]) - 1), bits[c]);
    return qRgb(levels[0], levels[1], levels[2]);
}

namespace {

// Lays codes of `Bits` bits (1 or 4) into bytes, 8 / Bits a byte, the first one in the top bits
// when `HighFirst` and in the bottom bits otherwise; the last byte's spare bits are 0. Each byte is
// gathered in a register and stored once.
template <int Bits, bool HighFirst>
void PackSmallCodes(const std::uint32_t *codes, int width, std::uint8_t *bytes)
{
    constexpr int kPerByte = 8 / Bits;
    for (int x = 0; x < width; x += kPerByte) {
        std::uint32_t byte = 0;
        for (int i = 0; i < kPerByte; ++i) {
            const std::uint32_t code = x + i < width ? codes[x + i] : 0;
            byte |= code << (HighFirst ? 8 - Bits * (i + 1) : Bits * i);
        }
        *bytes++ = std::uint8_t(byte);
    }
}

} // namespace

void PackLine(const FormatInfo &info, const std::uint32_t *codes, int width, std::uint8_t *bytes)
{
    const std::uint32_t *end = codes + width;
    switch (info.layout) {
    case Byte:
        std::transform(codes, end, bytes, [](std::uint32_t code) { return std::uint8_t(code); });
        return;
    case Word:
        for (; codes != end; ++codes, bytes += 2) {
            bytes[0] = std::uint8_t(*codes);
            bytes[1] = std::uint8_t(*codes >> 8);
        }
        return;
    case WordHighFirst:
        for (; codes != end; ++codes, bytes += 2) {
            bytes[0] = std::uint8_t(*codes >> 8);
            bytes[1] = std::uint8_t(*codes);
        }
        return;
    case Triplet: {
        const int up = 8 - info.bits[0]; // the same for every channel of these formats
        const std::uint32_t mask = (1u << info.bits[0]) - 1;
        for (; codes != end; ++codes, bytes += 3)
            for (int c = 0; c < 3; ++c)
                bytes[c] = std::uint8_t(((*codes >> info.Shift(c)) & mask) << up);
        return;
    }
    case Nibbles:
        PackSmallCodes<4, true>(codes, width, bytes);
        return;
    case BitsHighFirst:
        PackSmallCodes<1, true>(codes, width, bytes);
        return;
    case BitsLowFirst:
        PackSmallCodes<1, false>(codes, width, bytes);
        return;
    case Pages:
        std::memset(bytes, 0, std::size_t(width));
        for (int row = 0; row < 8; ++row, codes += width)
            for (int x = 0; x < width; ++x)
                bytes[x] |= std::uint8_t(codes[x] << row);
        return;
    }
}

} // namespace pixolan
