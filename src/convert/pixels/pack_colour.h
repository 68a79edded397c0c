// SPDX-License-Identifier: MIT
#pragma once

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

} // namespace pixolan
