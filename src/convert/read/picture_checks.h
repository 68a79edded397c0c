// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

namespace pixolan {

// True when an encoded picture ends before its own structure says it is complete: a PNG without
// its IEND chunk, a JPEG without its end-of-image marker, a GIF whose first frame's data is
// unfinished, or a BMP shorter than its header's pixel data. Qt's decoders accept such files and
// fill the missing part with grey or with whatever memory held, so the loader refuses them.
//
// `format` is the name Qt's reader gives the content ("png", "jpeg", "gif", "bmp"); other
// formats are left to their decoders and are never reported as cut short.
bool IsCutShort(QByteArrayView format, QByteArrayView bytes);

// What a BMP's header declares, as Qt's reader takes it: the width and height (the height
// without its sign, which only tells the row order) and whether the pixels are run-length
// encoded; nothing when `bytes` do not begin with a BMP header. The values are unchecked: zero or
// negative widths included.
// A BMP's headers as Qt's reader takes them: a 40, 64, 108 or 124-byte info header holds 32-bit
// fields; any other size is read as the old 12-byte header with 16-bit signed width and height.
// Nothing when `bytes` do not begin with a whole one. The values are unchecked.
struct BmpHeader
{
    qint64 dataOffset = 0;
    qint64 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // negative for rows stored top-down
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
};
std::optional<BmpHeader> ReadBmpHeader(QByteArrayView bytes);

struct BmpDeclared
{
    qint64 width;
    qint64 height;
    bool runLength;
};
std::optional<BmpDeclared> ReadBmpDeclared(QByteArrayView bytes);

// A BMP whose palette is shorter than its header implies (all 2^bits colours, or the number it
// names), while its data offset points past the shorter palette to pixel data that fill the rest
// of the file. Qt's reader would take the first pixels as colours and run out of data: such a
// file is whole, not cut short. Gives the colours there are and the colours the header implies.
struct BmpShortPalette
{
    qint64 present;
    qint64 declared;
};
std::optional<BmpShortPalette> FindBmpShortPalette(QByteArrayView bytes);

// Each frame's delay in milliseconds of a GIF that is whole up to its trailer, from the graphic
// control extension before each image, a delay under 20 ms taken as 100 ms (as Qt and web
// browsers show it); nothing when the file ends before its trailer or inside a frame, or holds
// something else between its frames. A GIF without frames gives none.
std::optional<std::vector<int>> GifFrameDelays(QByteArrayView bytes);

// A PNG that ends with its whole end chunk although a chunk before it claims to run past the end:
// the file is whole and a chunk length is damaged (IsCutShort() says true for it).
bool IsWholePngWithBadLength(QByteArrayView bytes);

} // namespace pixolan
