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

class PictureSequence;
class PictureSurface;

// The surface as the display will show it, coded as the export codes it with the same options
// (format, dither, threshold): for codes of up to 8 bits (RGB332, grey, 1 bit) an 8-bit indexed
// image whose pixel indices are the codes and whose colours are what each shows
// (FormatInfo::ShownColour(); PreviewColour() for RGB332), for wider codes an RGB32 image of the
// shown colours. With the options' alpha, an RGB32 image of the shown colours laid over the
// background with the alpha the image keeps (see LaidOver()). A null image when the surface is
// empty or memory runs out.
QImage PreviewImage(const PictureSurface &surface, const ExportOptions &options = {});

// Writes PreviewImage() of the surface to `device` as PNG; `name` names it in the error message.
Status WritePreview(const PictureSurface &surface, QIODevice &device, const QString &name,
                    const ExportOptions &options = {});

// Writes the preview PNG at `path` the way WriteArrayFile() writes the array: through a temporary
// file, so that on failure an earlier file is left as it was and nothing partial remains.
Status WritePreviewFile(const PictureSurface &surface, const QString &path,
                        const ExportOptions &options = {});

// The same for a sequence: one picture as above, frames and tiles stacked top to bottom.
Status WritePreview(PictureSequence &pictures, QIODevice &device, const QString &name,
                    const ExportOptions &options);
Status WritePreviewFile(PictureSequence &pictures, const QString &path,
                        const ExportOptions &options);

} // namespace pixolan
