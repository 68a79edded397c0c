// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

namespace pixolan {

// True when an encoded picture ends before its own structure says it is complete: a PNG without
// its IEND chunk, a JPEG without its end-of-image marker, a GIF whose first frame's data is
// unfinished, or a BMP shorter than its header's pixel data. Qt's decoders accept such files and
// fill the missing part with grey or with whatever memory held, so the loader refuses them.
//
// `format` is the name Qt's reader gives the content ("png", "jpeg", "gif", "bmp"); other
// formats are left to their decoders and are never reported as cut short.
bool IsCutShort(QByteArrayView format, QByteArrayView bytes);

} // namespace pixolan
