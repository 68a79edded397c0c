// SPDX-License-Identifier: MIT
#include "convert/read/picture_surface.h"

#include "convert/read/bmp_fixups.h"
#include "convert/read/picture_checks.h"
#include "convert/read/png_fixups.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace pixolan {

QString LoadFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot load \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

namespace {

// Decoders report damage through Qt's message handler and still return an image. Collects what
// they say while it lives; loads happen on one thread at a time.
class DecoderMessages
{
public:
    DecoderMessages() : m_previous(qInstallMessageHandler(&Collect)) { s_active = this; }
    ~DecoderMessages()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    DecoderMessages(const DecoderMessages &) = delete;
    DecoderMessages &operator=(const DecoderMessages &) = delete;

    // True when a decoder said that its data ended early.
    bool saidCutShort() const
    {
        static const char *const kSigns[] = {"premature end", "Premature end",
                                             "Read Error",    "truncated",
                                             "Truncated",     "Not enough image data"};
        for (const QString &message : m_messages)
            for (const char *sign : kSigns)
                if (message.contains(QLatin1String(sign)))
                    return true;
        return false;
    }

private:
    static void Collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_active && type != QtFatalMsg)
            s_active->m_messages.append(message);
        else if (s_active)
            s_active->m_previous(type, context, message);
    }

    static inline DecoderMessages *s_active = nullptr;
    QtMessageHandler m_previous;
    QStringList m_messages;
};

// `libpng` is what libpng said of the picture, if anything: a better reason than Qt's.
QString ReaderFailure(const QImageReader &reader, const QString &libpng)
{
    if (!libpng.isEmpty())
        return QStringLiteral("not a picture, or a damaged one (%1)").arg(libpng);
    switch (reader.error()) {
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("not a picture");
    case QImageReader::InvalidDataError:
        return QStringLiteral("not a picture, or a damaged one (%1)").arg(reader.errorString());
    case QImageReader::DeviceError:
        return QStringLiteral("cannot be read (%1)").arg(reader.errorString());
    case QImageReader::FileNotFoundError:
        return QStringLiteral("file not found");
    case QImageReader::UnknownError:
        break;
    }
    return QStringLiteral("not a picture, or a damaged one (%1)").arg(reader.errorString());
}

QString TooLarge(qint64 width, qint64 height, qint64 maxPixels)
{
    return QStringLiteral("picture too large (%1 x %2 pixels; at most %3 pixels are supported)")
        .arg(width)
        .arg(height)
        .arg(maxPixels);
}

// Qt's BMP reader gives no size, and no reason, for a header it refuses: one cut short, absurd
// fields, or more than 16384 x 16384 pixels. The header is looked at here to tell them apart.
QString BmpHeaderRefused(QByteArrayView bytes, qint64 maxPixels)
{
    const std::optional<BmpDeclared> bmp = ReadBmpDeclared(bytes);
    if (!bmp) // the file ends inside its headers
        return QStringLiteral("picture is cut short");
    if (bmp->width > 0 && bmp->height > 0 && bmp->width * bmp->height > maxPixels)
        return TooLarge(bmp->width, bmp->height, maxPixels);
    return QStringLiteral("a BMP whose header is damaged or of a kind that cannot be read");
}

// Qt's BMP reader leaves the pixels that run-length data skips (a delta, an early end of line or
// of the picture) as whatever memory held. It decodes into the image it is given when that
// already has the right size and format, so it is given one filled with palette entry 0, which
// is what other decoders show there. Null for anything but a run-length encoded BMP.
QImage BlankForRunLength(QByteArrayView bytes, QSize declared, QImage::Format format)
{
    const std::optional<BmpDeclared> bmp = ReadBmpDeclared(bytes);
    if (!bmp || !bmp->runLength || format == QImage::Format_Invalid)
        return {};
    QImage blank(declared.width(), qAbs(declared.height()), format);
    blank.fill(0); // stays null when there is no memory for it: the reader then fails alone
    return blank;
}

// Brings any decoded image to opaque 0xFFRRGGBB, laying transparency over `background`.
bool MakeOpaque(QImage &image, QRgb background)
{
    if (!image.hasAlphaChannel()) {
        image.convertTo(QImage::Format_RGB32);
        return !image.isNull();
    }

    image.convertTo(QImage::Format_ARGB32); // straight alpha, 8 bits per channel
    if (image.isNull() || image.format() != QImage::Format_ARGB32)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                row[x] = LaidOver(row[x], background);
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return true;
}

// Turns the picture clockwise by the options' rotation, then mirrors it as they say: Qt's own
// transformations. False if memory ran out.
bool Orient(QImage &image, const ExportOptions &options)
{
    // Turned half way, the picture is mirrored both ways, which Qt does in place.
    const bool half = options.rotate == 180;
    if (options.rotate != 0 && !half)
        image = image.transformed(QTransform().rotate(options.rotate));
    const bool horizontal = (options.flip == Flip::Horizontal) != half;
    const bool vertical = (options.flip == Flip::Vertical) != half;
    if (horizontal || vertical)
        image = std::move(image).mirrored(horizontal, vertical);
    return !image.isNull();
}

// Brings an image with alpha to straight 0xAARRGGBB: the colours of a premultiplied one divided by
// their alpha again (rounded to nearest), and every fully transparent pixel in the background's
// colour, whatever colour the file or the scaling left in it.
bool Straighten(QImage &image, QRgb background)
{
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    if (!premultiplied)
        image.convertTo(QImage::Format_ARGB32);
    if (image.isNull())
        return false;
    const QRgb transparent = background & 0xFFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const unsigned a = qAlpha(row[x]);
            const auto straight = [a](unsigned c) { return std::min((c * 255 + a / 2) / a, 255u); };
            if (a == 0)
                row[x] = transparent;
            else if (premultiplied && a != 255)
                row[x] = qRgba(straight(qRed(row[x])), straight(qGreen(row[x])),
                               straight(qBlue(row[x])), a);
        }
    }
    image.reinterpretAsFormat(QImage::Format_ARGB32);
    return true;
}

// The surface's pixel format (see PictureSurface), laid over the background or with its alpha.
bool ToSurfaceFormat(QImage &image, const ExportOptions &options)
{
    return options.alpha ? Straighten(image, options.background)
                         : MakeOpaque(image, options.background);
}

// Scales a picture in the surface's format to the options' size, if they give one. One with alpha
// is averaged premultiplied, so that the colour of transparent pixels does not bleed into the
// edges, and picked pixels keep their straight colours. False if memory ran out.
bool FitToSize(QImage &image, const ExportOptions &options)
{
    const QSize target = options.size;
    if (!target.isValid() || image.size() == target)
        return true;
    const Qt::TransformationMode mode =
        options.filter == Filter::Smooth ? Qt::SmoothTransformation : Qt::FastTransformation;
    const bool premultiplied = options.alpha && mode == Qt::SmoothTransformation;
    if (premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const QImage::Format working = image.format();
    switch (options.fit) {
    case Fit::Stretch:
        image = image.scaled(target, Qt::IgnoreAspectRatio, mode);
        break;
    case Fit::Cover: {
        // The centred part of the picture that has the target's shape, scaled to the target: the
        // overhang is cut evenly from both sides, and nothing larger than the picture is made.
        const qint64 width = image.width();
        const qint64 height = image.height();
        const qint64 targetWidth = target.width();
        const qint64 targetHeight = target.height();
        QRect part = image.rect();
        if (width * targetHeight > height * targetWidth) { // wider: all of the height
            const qint64 kept =
                std::max<qint64>(1, (height * targetWidth + targetHeight / 2) / targetHeight);
            part = QRect(int((width - kept) / 2), 0, int(kept), int(height));
        } else if (width * targetHeight < height * targetWidth) { // taller: all of the width
            const qint64 kept =
                std::max<qint64>(1, (width * targetHeight + targetWidth / 2) / targetWidth);
            part = QRect(0, int((height - kept) / 2), int(width), int(kept));
        }
        image = image.copy(part).scaled(target, Qt::IgnoreAspectRatio, mode);
        break;
    }
    case Fit::Contain: {
        // At most the target in both directions, at least one pixel, centred on the background.
        const QSize inside =
            image.size().scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        const QImage scaled =
            image.scaled(inside, Qt::IgnoreAspectRatio, mode).convertToFormat(working);
        QImage canvas(target, working);
        if (scaled.isNull() || canvas.isNull())
            return false;
        // With alpha the padding is transparent, in the background's colour.
        canvas.fill(options.alpha ? options.background & 0xFFFFFFu : options.background);
        const int left = (target.width() - inside.width()) / 2;
        const int top = (target.height() - inside.height()) / 2;
        for (int y = 0; y < inside.height(); ++y)
            std::memcpy(canvas.scanLine(top + y) + std::size_t(left) * sizeof(QRgb),
                        scaled.constScanLine(y), std::size_t(inside.width()) * sizeof(QRgb));
        image = std::move(canvas);
        break;
    }
    }
    if (options.alpha)
        return Straighten(image, options.background) && image.size() == target;
    image.convertTo(QImage::Format_RGB32);
    return !image.isNull() && image.size() == target;
}

// Qt tells a picture's format by loading every decoder plugin (the JPEG one with its library) and
// asking each before its own PNG and BMP readers. No plugin claims a PNG's or a BMP's signature,
// so for those two the answer is known without loading any, which saves a conversion in a build
// about a millisecond. Empty for anything else.
QByteArray BuiltInFormat(QByteArrayView bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return QByteArrayLiteral("png");
    if (bytes.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    return {};
}

// What the encoded bytes say before any decoding: the format, and the size and pixel format the
// header declares.
struct Inspection
{
    QByteArray format;
    QSize declared;
    QImage blank; // the image the decoder is to fill, or null (see BlankForRunLength)
    PngFixup png; // for a PNG that Qt reads wrongly by itself (see png_fixups.h)
    std::optional<BmpBitfields> bmp; // a bit-field BMP that is read without Qt (see bmp_fixups.h)
};

// Refuses what must not be decoded: no picture, a huge one (from its header, before anything is
// allocated) or one that is cut short.
Status Inspect(QByteArrayView bytes, const QString &name, qint64 maxPixels, Inspection *out)
{
    if (bytes.isEmpty())
        return Status::Failure(LoadFailure(name, QStringLiteral("empty file, not a picture")));
    QByteArray shared = QByteArray::fromRawData(bytes.data(), bytes.size()); // copies nothing
    QBuffer buffer(&shared);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (const QByteArray builtIn = BuiltInFormat(bytes); !builtIn.isEmpty()) {
        reader.setFormat(builtIn);
        reader.setAutoDetectImageFormat(false);
    }
    out->format = reader.format(); // decided by content, never by a file name
    if (out->format.isEmpty())
        return Status::Failure(LoadFailure(name, QStringLiteral("not a picture")));
    if (out->format == "png")
        if (const QString refused = InspectPng(bytes, &out->png); !refused.isEmpty())
            return Status::Failure(LoadFailure(name, refused));

    // A cut-short picture is refused before its header is read, with that plain reason rather
    // than what a decoder makes of a header it cannot finish. A BMP's header is read first all
    // the same, so that
    // an absurd size is reported as such rather than as missing pixel data.
    const bool cutShort = IsCutShort(out->format, bytes);
    if (cutShort && out->format != "bmp")
        return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));

    // Huge pictures are refused from their header, before anything is allocated.
    reader.setAutoTransform(true);
    {
        QString libpng; // the decode says it again, if it fails
        const LibpngErrorCapture capture(&libpng);
        out->declared = reader.size();
    }
    if (out->format == "bmp" && out->declared == QSize())
        return Status::Failure(LoadFailure(name, BmpHeaderRefused(bytes, maxPixels)));
    const qint64 declaredWidth = out->declared.width();
    const qint64 declaredHeight = qAbs(qint64(out->declared.height())); // negative: top-down BMP
    if (declaredWidth > 0 && declaredWidth * declaredHeight > maxPixels)
        return Status::Failure(
            LoadFailure(name, TooLarge(declaredWidth, declaredHeight, maxPixels)));
    if (out->format == "bmp")
        if (const QString refused = InspectBmp(bytes, &out->bmp); !refused.isEmpty())
            return Status::Failure(LoadFailure(name, refused));
    if (cutShort)
        return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));
    // Qt's own limit is set to match ours, for decoders whose header gives no size; 8 bytes a
    // pixel covers 16-bit samples.
    const qint64 limitMb = qMin(maxPixels, qint64(1) << 48) * 8 / (1024 * 1024) + 1;
    QImageReader::setAllocationLimit(int(qMin<qint64>(limitMb, std::numeric_limits<int>::max())));

    if (out->format == "bmp")
        out->blank = BlankForRunLength(bytes, out->declared, reader.imageFormat());
    return Status::Ok();
}

// Decodes the inspected picture from `device`, which holds the same bytes from its start, into
// the surface's pixel format.
Status Decode(QIODevice &device, Inspection inspection, const DecoderMessages &messages,
              const QString &name, qint64 maxPixels, const ExportOptions &options, QImage *out)
{
    if (inspection.bmp) {
        if (const QString failed = ReadBmpBitfields(device, *inspection.bmp, out);
            !failed.isEmpty())
            return Status::Failure(LoadFailure(name, failed));
    } else {
        const std::unique_ptr<QIODevice> hiding =
            inspection.png.active() ? WithoutHiddenChunks(device, inspection.png) : nullptr;
        QImageReader reader(hiding ? hiding.get() : &device, inspection.format);
        reader.setAutoDetectImageFormat(false); // the format is known: no other decoder is asked
        reader.setAutoTransform(true);
        *out = std::move(inspection.blank);
        QString libpng;
        bool read = false;
        {
            const LibpngErrorCapture capture(&libpng);
            read = reader.read(out);
        }
        if (!read)
            return Status::Failure(LoadFailure(name, ReaderFailure(reader, libpng)));
        if (messages.saidCutShort())
            return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));
        if (inspection.png.active() && !out->isNull() &&
            !ApplyTransparentColour(*out, inspection.png))
            *out = QImage(); // reported below
    }
    if (qint64(out->width()) * out->height() > maxPixels)
        return Status::Failure(LoadFailure(name, TooLarge(out->width(), out->height(), maxPixels)));
    if (out->isNull() || !ToSurfaceFormat(*out, options) || !Orient(*out, options) ||
        !FitToSize(*out, options))
        return Status::Failure(
            LoadFailure(name, QStringLiteral("not enough memory to hold the picture")));
    return Status::Ok();
}

} // namespace

Status PictureSurface::Load(const QString &path, const ExportOptions &options)
{
    if (path.isEmpty())
        return Status::Failure(QStringLiteral("Cannot load a picture: no file name was given"));
    const QFileInfo info(path);
    if (!info.exists())
        return Status::Failure(LoadFailure(path, QStringLiteral("file not found")));
    if (info.isDir())
        return Status::Failure(
            LoadFailure(path, QStringLiteral("this is a folder, not a picture")));
    // Opening a named pipe would wait for a writer forever, and a device may never end.
    if (!info.isFile())
        return Status::Failure(LoadFailure(
            path, QStringLiteral("not a regular file (a device, pipe or socket), not a picture")));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::Failure(
            LoadFailure(path, QStringLiteral("cannot be read (%1)").arg(file.errorString())));

    // The checks read a large file mapped into memory, which is let go before decoding: the
    // decoder streams the file, so the encoded picture never sits in memory beside the decoded
    // one. A small file is simply read, which costs less than mapping it (and leaves no small
    // hole in the address space for later mappings, which memcheck 3.19 trips over).
    constexpr qint64 kMapFrom = qint64(1) << 20;
    const DecoderMessages messages;
    Inspection inspection;
    {
        QByteArray read;
        uchar *mapped = file.size() >= kMapFrom ? file.map(0, file.size()) : nullptr;
        if (!mapped) {
            read = file.readAll();
            if (file.error() != QFileDevice::NoError)
                return Status::Failure(LoadFailure(
                    path, QStringLiteral("cannot be read (%1)").arg(file.errorString())));
        }
        const QByteArrayView bytes =
            mapped ? QByteArrayView(mapped, file.size()) : QByteArrayView(read);
        Status inspected = Inspect(bytes, path, m_maxPixels, &inspection);
        if (mapped)
            file.unmap(mapped);
        if (!inspected)
            return inspected;
    }
    if (!file.seek(0))
        return Status::Failure(
            LoadFailure(path, QStringLiteral("cannot be read (%1)").arg(file.errorString())));

    QImage image;
    Status decoded =
        Decode(file, std::move(inspection), messages, path, m_maxPixels, options, &image);
    if (decoded)
        m_image = std::move(image);
    return decoded;
}

Status PictureSurface::LoadBytes(const QByteArray &bytes, const QString &name,
                                 const ExportOptions &options)
{
    const DecoderMessages messages;
    Inspection inspection;
    if (Status inspected = Inspect(bytes, name, m_maxPixels, &inspection); !inspected)
        return inspected;
    QBuffer buffer;
    buffer.setData(bytes); // shares the bytes, copies nothing
    buffer.open(QIODevice::ReadOnly);
    QImage image;
    Status decoded =
        Decode(buffer, std::move(inspection), messages, name, m_maxPixels, options, &image);
    if (decoded)
        m_image = std::move(image);
    return decoded;
}

bool PictureSurface::SetImage(QImage image, const ExportOptions &options)
{
    if (image.isNull() || !ToSurfaceFormat(image, options) || !Orient(image, options) ||
        !FitToSize(image, options))
        return false;
    m_image = std::move(image);
    return true;
}

} // namespace pixolan
