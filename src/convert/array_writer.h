// SPDX-License-Identifier: MIT
#pragma once

#include "convert/status.h"

#include <QString>

class QIODevice;

namespace pixolan {

class PictureSurface;

// The array source file: ASCII text with CR LF line ends, the last line included.
//
//   const int8 array[] = {
//   0xFF, 0x0, 0x1C, ...          one line per picture row, every value followed by ", "
//                                 an empty line after each row
//   };
//
// Each value is PackColour() of one pixel, left to right and top to bottom, written as "0x" and
// upper-case hexadecimal without leading zeros. A 0 x 0 surface gives the first and last lines.

// Writes the array source text for the surface to `device`, which must be open for writing.
// `name` names the destination in the error message.
Status WriteArray(const PictureSurface &surface, QIODevice &device, const QString &name);

// Writes the array source file at `path`. The text goes to a temporary file beside the target,
// which replaces the target only once everything has been written and flushed to disk: on
// failure an earlier file at `path` is left as it was and no partial or temporary file remains.
// A `path` that names a device, pipe or socket is refused: it would be replaced by a file.
Status WriteArrayFile(const PictureSurface &surface, const QString &path);

} // namespace pixolan
