// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

#include <optional>

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
struct BmpDeclared
{
    qint64 width;
    qint64 height;
    bool runLength;
};
std::optional<BmpDeclared> ReadBmpDeclared(QByteArrayView bytes);

// A PNG that ends with its whole end chunk although a chunk before it claims to run past the end:
// the file is whole and a chunk length is damaged (IsCutShort() says true for it).
bool IsWholePngWithBadLength(QByteArrayView bytes);

} // namespace pixolan
