// SPDX-License-Identifier: MIT
#include "convert/pixels/lines.h"

#include "convert/read/picture_surface.h"

#include <algorithm>

namespace pixolan {

LineCoder::LineCoder(const PictureSurface &surface, const ExportOptions &options)
    : m_surface(surface), m_info(Info(options.format)), m_width(surface.Width()),
      m_height(surface.Height()), m_coder(options, m_width),
      m_codes(std::size_t(m_width) * std::size_t(m_info.RowsPerLine()))
{}

const std::uint32_t *LineCoder::NextCodes()
{
    const int rows = m_info.RowsPerLine();
    for (int r = 0; r < rows; ++r) {
        const int y = m_line * rows + r;
        std::uint32_t *codes = m_codes.data() + std::size_t(r) * std::size_t(m_width);
        if (y < m_height)
            m_coder.CodeRow(m_surface.Row(y), y, codes);
        else
            std::fill_n(codes, m_width, 0u);
    }
    ++m_line;
    return m_codes.data();
}

void LineCoder::NextBytes(std::uint8_t *bytes)
{
    PackLine(m_info, NextCodes(), m_width, bytes);
}

} // namespace pixolan
