// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/pixels/dither.h"

#include <cstdint>
#include <vector>

namespace pixolan {

class PictureSurface;

// Walks a surface one line of the array at a time, top to bottom: a row, or for a format of
// pages a page of 8 rows (the rows past the picture's bottom coded as unlit). Each line is coded
// as the options say (format, dither, threshold) and can be had as codes or as packed bytes.
class LineCoder
{
public:
    LineCoder(const PictureSurface &surface, const ExportOptions &options);

    const FormatInfo &Format() const { return m_info; }
    int Lines() const { return m_info.Lines(m_height); }
    qint64 LineBytes() const { return m_info.LineBytes(m_width); }

    // Codes the next line: RowsPerLine() rows of the surface's width, row after row.
    const std::uint32_t *NextCodes();
    // Codes the next line and lays it into LineBytes() bytes at `bytes` (see PackLine()).
    void NextBytes(std::uint8_t *bytes);

private:
    const PictureSurface &m_surface;
    const FormatInfo &m_info;
    int m_width;
    int m_height;
    int m_line = 0;
    PixelCoder m_coder;
    std::vector<std::uint32_t> m_codes;
};

} // namespace pixolan
