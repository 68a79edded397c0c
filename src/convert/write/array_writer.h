// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/status.h"

#include <QString>

class QIODevice;

namespace pixolan {

class PictureSequence;
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
// With the default options the text is exactly the above. The options name the array, dither it,
// choose another pixel format (FormatInfo: its element type, after "#include <stdint.h>", a
// line a row or a page), add AVR's PROGMEM, or ask for the bytes alone, as an MCU holds them
// (options.binary).

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

// The same for a sequence of pictures: one picture is written exactly as above. Frames and tiles
// go into the one array one after another, each after a comment line naming it ("/* frame 2:
// 100 ms */"); the file includes <stdint.h>, and for frames ends with their delays,
//   const uint16_t NAME_delays[] = { 100, 40, ... };   milliseconds, at most 65535
// The header adds NAME_FRAMES and NAME_FRAME_SIZE (bytes a picture; NAME_SIZE is all of them)
// and declares the delays. A picture of the sequence that fails to load fails the write.
Status WriteArray(PictureSequence &pictures, QIODevice &device, const QString &name,
                  const ExportOptions &options);
Status WriteArrayFile(PictureSequence &pictures, const QString &path, const ExportOptions &options);
Status WriteHeader(PictureSequence &pictures, QIODevice &device, const QString &name,
                   const ExportOptions &options);
Status WriteHeaderFile(PictureSequence &pictures, const QString &path,
                       const ExportOptions &options);
Status WriteArrayAndHeaderFiles(PictureSequence &pictures, const QString &arrayPath,
                                const QString &headerPath, const ExportOptions &options);

} // namespace pixolan
