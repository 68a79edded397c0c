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

// The width and height a BMP's header declares, as Qt's reader would take them (the height
// without its sign), or nothing when `bytes` do not begin with a BMP header. The values are the
// header's, unchecked: zero or negative widths included.
struct BmpSize
{
    qint64 width;
    qint64 height;
};
std::optional<BmpSize> BmpDeclaredSize(QByteArrayView bytes);

} // namespace pixolan
