// SPDX-License-Identifier: MIT
#include "convert/write/preview.h"

#include "convert/pixels/dither.h"
#include "convert/read/picture_sequence.h"
#include "convert/read/picture_surface.h"
#include "convert/write/save_file.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

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
    // Codes of up to 8 bits are the indices of a colour table of what each shows.
    const FormatInfo &info = Info(options.format);
    const bool indexed = info.CodeBits() <= 8 && !options.alpha;
    QImage image(width, height, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    if (indexed) {
        QList<QRgb> colours(qsizetype(1) << info.CodeBits());
        for (qsizetype code = 0; code < colours.size(); ++code)
            colours[code] = info.ShownColour(std::uint32_t(code));
        image.setColorTable(colours);
    }

    PixelCoder coder(options, width);
    std::vector<std::uint32_t> codes(std::size_t(width), 0);
    for (int y = 0; y < height; ++y) {
        if (indexed) {
            coder.CodeRow(surface.Row(y), y, image.scanLine(y));
            continue;
        }
        coder.CodeRow(surface.Row(y), y, codes.data());
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::ranges::transform(codes, row,
                               [&info](std::uint32_t code) { return info.ShownColour(code); });
        if (options.alpha) // over the background, with the alpha the image keeps
            for (int x = 0; x < width; ++x)
                row[x] = LaidOver((row[x] & 0xFFFFFFu) | (surface.Row(y)[x] & 0xFF000000u),
                                  options.background);
    }
    return image;
}

Status WritePreview(PictureSequence &pictures, QIODevice &device, const QString &name,
                    const ExportOptions &options)
{
    // The pictures stacked top to bottom, as the panel shows each.
    const int width = pictures.Width();
    const int height = pictures.Height();
    if (width <= 0 || height <= 0)
        return Status::Failure(
            WriteFailure(name, QStringLiteral("there is no picture to preview")));
    QImage image;
    for (int index = 0; index < pictures.Count(); ++index) {
        const PictureSurface *picture = nullptr;
        if (Status loaded = pictures.Load(index, &picture); !loaded)
            return loaded;
        QImage shown = PreviewImage(*picture, options);
        if (pictures.Count() == 1) {
            image = std::move(shown);
            break;
        }
        if (index == 0 && !shown.isNull()) {
            image = QImage(width, int(qMin<qint64>(qint64(height) * pictures.Count(), INT_MAX)),
                           shown.format());
            image.setColorTable(shown.colorTable());
        }
        if (shown.isNull() || image.isNull() || qint64(height) * (index + 1) > image.height())
            return Status::Failure(
                WriteFailure(name, QStringLiteral("not enough memory to make the preview")));
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(index * height + y), shown.constScanLine(y),
                        std::size_t(shown.bytesPerLine()));
    }
    if (image.isNull())
        return Status::Failure(
            WriteFailure(name, QStringLiteral("not enough memory to make the preview")));

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

Status WritePreviewFile(PictureSequence &pictures, const QString &path,
                        const ExportOptions &options)
{
    if (path.isEmpty())
        return Status::Failure(QStringLiteral("Cannot write the preview: no file name was given"));

    return SaveFile(
        {path, WriteFailure,
         [&](QIODevice &device) { return WritePreview(pictures, device, path, options); },
         options.keepUnchanged});
}

Status WritePreview(const PictureSurface &surface, QIODevice &device, const QString &name,
                    const ExportOptions &options)
{
    return WritePreview(*PictureSequence::Of(surface), device, name, options);
}

Status WritePreviewFile(const PictureSurface &surface, const QString &path,
                        const ExportOptions &options)
{
    return WritePreviewFile(*PictureSequence::Of(surface), path, options);
}

} // namespace pixolan
