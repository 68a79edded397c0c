// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/pixels/pack_colour.h"
#include "convert/status.h"

#include <QImage>
#include <QString>

#include <cstdint>

class QIODevice;

namespace pixolan {

class PictureSurface;

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

// The colour a display shows for one packed RRRGGGBB pixel, as Qt's 0xFFRRGGBB.
constexpr QRgb PreviewColour(std::uint8_t packed)
{
    return 0xFF000000u | QRgb(ExpandChannel(packed >> 5, 3)) << 16 |
           QRgb(ExpandChannel((packed >> 2) & 7u, 3)) << 8 | ExpandChannel(packed & 3u, 2);
}

// The surface as the display will show it: an 8-bit indexed image of the surface's size whose
// pixel indices are the packed values the export writes with the same options (dithered as they
// say) and whose 256 colours are PreviewColour(). A null image when the surface is empty or memory
// runs out.
QImage PreviewImage(const PictureSurface &surface, const ExportOptions &options = {});

// Writes PreviewImage() of the surface to `device` as PNG; `name` names it in the error message.
Status WritePreview(const PictureSurface &surface, QIODevice &device, const QString &name,
                    const ExportOptions &options = {});

// Writes the preview PNG at `path` the way WriteArrayFile() writes the array: through a temporary
// file, so that on failure an earlier file is left as it was and nothing partial remains.
Status WritePreviewFile(const PictureSurface &surface, const QString &path,
                        const ExportOptions &options = {});

} // namespace pixolan
