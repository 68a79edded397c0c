// SPDX-License-Identifier: MIT
#pragma once

#include <QRgb>

#include <cstdint>

namespace pixolan {

// A 24-bit colour laid out as 0x00BBGGRR: red in the lowest byte, blue in the third.
using ColourValue = std::uint32_t;

// Packs a colour value into one RRRGGGBB byte: the top three bits of red and green and the top
// two bits of blue. Each channel is truncated, never rounded or dithered. Bits 24-31 are ignored.
constexpr std::uint8_t PackColour(ColourValue colour)
{
    return static_cast<std::uint8_t>((colour & 0xE0u)             // red   7..5 -> 7..5
                                     | ((colour >> 11) & 0x1Cu)   // green 15..13 -> 4..2
                                     | ((colour >> 22) & 0x03u)); // blue  23..22 -> 1..0
}

// The colour value of a Qt 0xAARRGGBB pixel (alpha dropped).
constexpr ColourValue ColourFromRgb(std::uint32_t argb)
{
    return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
}

// Widens a channel of `bits` bits (1-8) to 8 bits by repeating its bits from the top down, the
// way a display controller drives its 8-bit outputs: 3 bits abc give abcabcab and 2 bits ab give
// abababab, so 0 stays 0 and the largest value becomes 255.
constexpr std::uint8_t ExpandChannel(unsigned value, int bits)
{
    unsigned repeated = 0;
    int length = 0;
    for (; length < 8; length += bits)
        repeated = (repeated << bits) | value;
    return static_cast<std::uint8_t>(repeated >> (length - 8));
}

// A 0xAARRGGBB pixel of straight alpha a laid over an opaque background, per channel c and
// background channel b: (c * a + b * (255 - a) + 127) / 255. The result is opaque.
constexpr QRgb LaidOver(QRgb pixel, QRgb background)
{
    const unsigned a = qAlpha(pixel);
    const unsigned under = 255 - a;
    return qRgb((qRed(pixel) * a + qRed(background) * under + 127) / 255,
                (qGreen(pixel) * a + qGreen(background) * under + 127) / 255,
                (qBlue(pixel) * a + qBlue(background) * under + 127) / 255);
}

// The colour a display shows for one packed RRRGGGBB pixel, as Qt's 0xFFRRGGBB.
constexpr QRgb PreviewColour(std::uint8_t packed)
{
    return 0xFF000000u | QRgb(ExpandChannel(packed >> 5, 3)) << 16 |
           QRgb(ExpandChannel((packed >> 2) & 7u, 3)) << 8 | ExpandChannel(packed & 3u, 2);
}

} // namespace pixolan
