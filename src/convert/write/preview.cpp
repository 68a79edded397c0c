// SPDX-License-Identifier: MIT
#include "convert/write/preview.h"

#include "convert/pixels/dither.h"
#include "convert/read/picture_surface.h"
#include "convert/write/save_file.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

namespace pixolan {
namespace {

QString WriteFailure(const QString &name, const QString &reason)
{
    return QStringLiteral("Cannot write the preview \"%1\": %2")
        .arg(QDir::toNativeSeparators(name), reason);
}

} // namespace

QImage PreviewImage(const PictureSurface &surface, const ExportOptions &options)
{
    const int width = surface.Width();
    const int height = surface.Height();
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        return {};

    QList<QRgb> colours(256);
    for (int packed = 0; packed < 256; ++packed)
        colours[packed] = PreviewColour(std::uint8_t(packed));
    image.setColorTable(colours);

    PixelCoder coder(options.dither, width);
    for (int y = 0; y < height; ++y)
        coder.CodeRow(surface.Row(y), y, image.scanLine(y));
    return image;
}

Status WritePreview(const PictureSurface &surface, QIODevice &device, const QString &name,
                    const ExportOptions &options)
{
    const QImage image = PreviewImage(surface, options);
    if (image.isNull())
        return Status::Failure(
            WriteFailure(name, surface.Width() > 0 && surface.Height() > 0
                                   ? QStringLiteral("not enough memory to make the preview")
                                   : QStringLiteral("there is no picture to preview")));

    // Encoded in memory first, then written out whole, so that a failed write has its reason.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return Status::Failure(WriteFailure(name, writer.errorString()));
    if (!WriteFully(device, png.constData(), png.size()))
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

Status WritePreviewFile(const PictureSurface &surface, const QString &path,
                        const ExportOptions &options)
{
    if (path.isEmpty())
        return Status::Failure(QStringLiteral("Cannot write the preview: no file name was given"));

    return SaveFile(
        {path, WriteFailure,
         [&](QIODevice &device) { return WritePreview(surface, device, path, options); },
         options.keepUnchanged});
}

} // namespace pixolan
