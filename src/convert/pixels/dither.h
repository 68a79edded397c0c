// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"

#include <QRgb>

#include <cstdint>
#include <vector>

namespace pixolan {

// Turns rows of 0xFFRRGGBB pixels into RRRGGGBB codes the way `dither` asks. Both dithers work
// against the levels the panel shows for each code (the codes widened back by repeating their
// bits, as the preview does), so that on average a flat colour shows as itself:
//
//  - Dither::Ordered compares each channel's place between the two nearest shown levels with an
//    8 x 8 Bayer threshold. A pixel's code depends on its own value and position only; a colour
//    the panel can show exactly is never dithered.
//  - Dither::FloydSteinberg picks the nearest shown level (half way goes up) and carries the
//    whole difference to the neighbours not yet coded (7/16 ahead, 3/16, 5/16 and 1/16 in the
//    row below), in integer arithmetic. Rows alternate direction: even rows (from 0) run left to
//    right, odd rows right to left.
//  - Dither::None truncates each channel, as PackColour() does.
//
// Rows must be given top to bottom, each once, since Floyd-Steinberg carries error downwards.
class PixelCoder
{
public:
    PixelCoder(Dither dither, int width);

    // Codes row `y` of `width` pixels into `codes`.
    void CodeRow(const QRgb *pixels, int y, std::uint8_t *codes);

private:
    void OrderedRow(const QRgb *pixels, int y, std::uint8_t *codes) const;
    void DiffusedRow(const QRgb *pixels, int y, std::uint8_t *codes);

    Dither m_dither;
    int m_width;
    // Floyd-Steinberg's carried error, in 1/256 of a level, per channel: the row being coded and
    // the one below, each with a spare pixel at both ends for the error that leaves the picture.
    std::vector<int> m_errors[2];
};

} // namespace pixolan
