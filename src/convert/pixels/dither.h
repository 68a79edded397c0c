// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"

#include <QRgb>

#include <cstdint>
#include <vector>

namespace pixolan {

// Turns rows of 0xFFRRGGBB pixels into the codes of the options' format (see FormatInfo), the
// way their dither asks. Grey formats code the grey level GreyLevel(); every dither works on each
// channel (or the grey level) apart, against the levels the panel shows for its codes (the codes
// widened back by repeating their bits, as the preview does: for grey k * 255 / (2^n - 1), for
// 1 bit 0 and 255), so that on average a flat colour shows as itself:
//
//  - Dither::Ordered compares each channel's place between the two nearest shown levels with an
//    8 x 8 Bayer threshold. A pixel's code depends on its own value and position only; a colour
//    the panel can show exactly is never dithered.
//  - Dither::FloydSteinberg picks the nearest shown level (half way goes up) and carries the
//    whole difference to the neighbours not yet coded (7/16 ahead, 3/16, 5/16 and 1/16 in the
//    row below), in integer arithmetic. Rows alternate direction: even rows (from 0) run left to
//    right, odd rows right to left.
//  - Dither::Atkinson picks the nearest shown level and carries 1/8 of the difference to each of
//    six neighbours (two ahead, three in the row below, one two rows below), rows left to right;
//    the remaining quarter is dropped, which keeps flat areas and edges crisp.
//  - Dither::None truncates each channel to its top bits (PackColour() for RGB332); a 1-bit
//    pixel is lit when its grey level is at least the options' threshold.
//
// In the 1-bit formats a code of 1 is a lit (light) pixel; with the options' invert, the dark
// ones are. Rows must be given top to bottom, each once, since the diffusions carry error down.
class PixelCoder
{
public:
    PixelCoder(const ExportOptions &options, int width);
    // RGB332 with the given dither.
    PixelCoder(Dither dither, int width) : PixelCoder(ExportOptions{.dither = dither}, width) {}

    // Codes row `y` of `width` pixels into `codes`.
    void CodeRow(const QRgb *pixels, int y, std::uint32_t *codes);
    // The same for formats whose codes fit a byte (RGB332, grey, 1 bit).
    void CodeRow(const QRgb *pixels, int y, std::uint8_t *codes);

private:
    void TruncatedRow(const QRgb *pixels, std::uint32_t *codes) const;

    const FormatInfo &m_info;
    Dither m_dither;
    int m_width;
    int m_threshold;
    bool m_invert;
    std::vector<std::uint32_t> m_wide; // a row's codes, for CodeRow() into bytes
    // Carried error, in 1/256 of a level, the channels side by side: Floyd-Steinberg's row being
    // coded and the one below, Atkinson's and the two below; each with spare pixels at both ends
    // for the error that leaves the picture.
    std::vector<int> m_errors[3];
};

} // namespace pixolan
