// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
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
// The options can change two things only: the array's name (options.name instead of "array")
// and how pixels become values (options.dither); with the defaults the text is exactly the above.

// With options.lvgl, the writers below write an LVGL image and its header instead (see
// lvgl_image.h).

// Writes the array source text for the surface to `device`, which must be open for writing.
// `name` names the destination in the error message.
Status WriteArray(const PictureSurface &surface, QIODevice &device, const QString &name,
                  const ExportOptions &options = {});

// Writes the array source file at `path`. The text goes to a temporary file beside the target,
// which replaces the target only once everything has been written and flushed to disk: on
// failure an earlier file at `path` is left as it was and no partial or temporary file remains.
// A `path` that names a device, pipe or socket is refused: it would be replaced by a file.
Status WriteArrayFile(const PictureSurface &surface, const QString &path,
                      const ExportOptions &options = {});

// The header for the array of the surface, for C and C++ alike (CR LF line ends, as the array):
//
//   #ifndef PIXOLAN_LOGO_H                  the name in upper case
//   #define LOGO_WIDTH 320                  and LOGO_HEIGHT, LOGO_SIZE (width x height bytes)
//   extern const unsigned char logo[LOGO_SIZE];   inside extern "C" for C++
//
// The array file, compiled as C with int8 an unsigned char, defines what it declares. It holds
// nothing that depends on where or when it was written.
Status WriteHeader(const PictureSurface &surface, QIODevice &device, const QString &name,
                   const ExportOptions &options);
Status WriteHeaderFile(const PictureSurface &surface, const QString &path,
                       const ExportOptions &options);

// Writes the array file and its header as WriteArrayFile() and WriteHeaderFile() do, replacing
// neither before both have been written and flushed to disk (see SaveFiles()).
Status WriteArrayAndHeaderFiles(const PictureSurface &surface, const QString &arrayPath,
                                const QString &headerPath, const ExportOptions &options);

} // namespace pixolan
