// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/pixels/pack_colour.h"
#include "convert/status.h"

#include <QImage>
#include <QString>

namespace pixolan {

// The message of a failed load: "Cannot load "<path>": <reason>".
QString LoadFailure(const QString &path, const QString &reason);

// Holds the one loaded picture and is the only source of pixels for the export.
//
// Every picture is stored in one pixel format, decided at load: opaque 0xFFRRGGBB (QImage's
// Format_RGB32). Transparent and partly transparent pixels are laid over the options' background
// (white unless asked otherwise) then, per channel c with straight alpha a and background
// channel b: (c * a + b * (255 - a) + 127) / 255. Samples deeper than 8 bits are reduced by Qt's
// own conversion, and a JPEG's EXIF orientation is applied. Then the picture is turned and
// mirrored as the options say, and last, when they give a size, scaled to exactly that size (see
// Fit and Filter).
//
// When the options ask for alpha, the pixels are 0xAARRGGBB with straight alpha instead
// (Format_ARGB32): the picture's own colours and alpha, a fully transparent pixel in the
// background's colour. Scaling averages them premultiplied and divides them back, rounded; the
// padding of Fit::Contain is transparent.
//
// Before the first load the surface is empty: 0 x 0 pixels.
class PictureSurface
{
public:
    // Pictures with more pixels than this are refused ("picture too large").
    static constexpr qint64 kDefaultMaxPixels = qint64(16384) * 16384;

    // Reads the picture at `path` and makes it the surface's picture, with the options'
    // background and size. On failure the previous picture stays as it was and the status names
    // the file and the reason.
    Status Load(const QString &path, const ExportOptions &options = {});

    // Reads an encoded picture held in memory, exactly as Load() reads a file's content; `name`
    // stands for the file in messages. The format is decided by the bytes alone.
    Status LoadBytes(const QByteArray &bytes, const QString &name,
                     const ExportOptions &options = {});

    // Makes an already decoded image the surface's picture, brought to the surface's pixel
    // format and size as a load would. False, with the previous picture kept, if memory ran out.
    [[nodiscard]] bool SetImage(QImage image, const ExportOptions &options = {});

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }

    // The colour value (0x00BBGGRR) of pixel (x, y); 0 <= x < Width(), 0 <= y < Height().
    ColourValue PixelColour(int x, int y) const { return ColourFromRgb(Row(y)[x]); }

    // Row y as Width() pixels of 0xFFRRGGBB (0xAARRGGBB with alpha); 0 <= y < Height().
    const QRgb *Row(int y) const
    {
        return reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
    }

    // The picture as the export sees it (Format_RGB32, or Format_ARGB32 with alpha); a null image
    // before the first load.
    const QImage &Image() const { return m_image; }

    // The largest picture, in pixels, that later loads accept.
    void SetMaxPixels(qint64 pixels) { m_maxPixels = pixels; }
    qint64 MaxPixels() const { return m_maxPixels; }

private:
    QImage m_image;
    qint64 m_maxPixels = kDefaultMaxPixels;
};

} // namespace pixolan
