// SPDX-License-Identifier: MIT
#include "convert/picture_surface.h"

#include "convert/picture_checks.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

#include <limits>
#include <optional>

namespace pixolan {
namespace {

QString LoadFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot load \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

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

QString ReaderFailure(const QImageReader &reader)
{
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

// Brings any decoded image to opaque 0xFFRRGGBB, laying transparency over white.
bool MakeOpaque(QImage &image)
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
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = row[x];
            const unsigned a = qAlpha(pixel);
            if (a == 255)
                continue;
            const unsigned white = 255 * (255 - a) + 127;
            row[x] = qRgb((qRed(pixel) * a + white) / 255, (qGreen(pixel) * a + white) / 255,
                          (qBlue(pixel) * a + white) / 255);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return true;
}

} // namespace

Status PictureSurface::Load(const QString &path)
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

    // The decoders and the structural checks read the file in place; reading it into memory is
    // the fallback should mapping fail.
    QByteArray bytes;
    uchar *mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr;
    if (mapped) {
        bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), file.size());
    } else {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return Status::Failure(
                LoadFailure(path, QStringLiteral("cannot be read (%1)").arg(file.errorString())));
    }
    Status status = LoadBytes(bytes, path);
    bytes = QByteArray(); // no reference to the mapping may outlive it
    if (mapped)
        file.unmap(mapped);
    return status;
}

Status PictureSurface::LoadBytes(const QByteArray &bytes, const QString &name)
{
    if (bytes.isEmpty())
        return Status::Failure(LoadFailure(name, QStringLiteral("empty file, not a picture")));

    // Decoders speak of damage through Qt's message handler, from the first look at the header on.
    const DecoderMessages messages;
    QBuffer buffer;
    buffer.setData(bytes); // shares the bytes, copies nothing
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format(); // decided by content, never by a file name
    if (format.isEmpty())
        return Status::Failure(LoadFailure(name, QStringLiteral("not a picture")));

    // libpng reports a header it cannot read on standard error by itself, before Qt hears of it:
    // a PNG's chunks are checked before its header is read.
    if (format == "png" && IsCutShort(format, bytes))
        return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));

    // Refuse huge pictures from their header, before anything is allocated. Qt's own limit is set
    // to match, for decoders whose header gives no size; 8 bytes a pixel covers 16-bit samples.
    const QSize declared = reader.size();
    if (format == "bmp" && declared == QSize())
        return Status::Failure(LoadFailure(name, BmpHeaderRefused(bytes, m_maxPixels)));
    const qint64 declaredWidth = declared.width();
    const qint64 declaredHeight = qAbs(qint64(declared.height())); // negative for a top-down BMP
    if (declaredWidth > 0 && declaredWidth * declaredHeight > m_maxPixels)
        return Status::Failure(
            LoadFailure(name, TooLarge(declaredWidth, declaredHeight, m_maxPixels)));
    const qint64 limitMb = qMin(m_maxPixels, qint64(1) << 48) * 8 / (1024 * 1024) + 1;
    QImageReader::setAllocationLimit(int(qMin<qint64>(limitMb, std::numeric_limits<int>::max())));

    if (IsCutShort(format, bytes))
        return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));

    QImage image;
    if (format == "bmp")
        image = BlankForRunLength(bytes, declared, reader.imageFormat());
    if (!reader.read(&image))
        return Status::Failure(LoadFailure(name, ReaderFailure(reader)));
    if (messages.saidCutShort())
        return Status::Failure(LoadFailure(name, QStringLiteral("picture is cut short")));
    if (qint64(image.width()) * image.height() > m_maxPixels)
        return Status::Failure(
            LoadFailure(name, TooLarge(image.width(), image.height(), m_maxPixels)));
    if (!SetImage(std::move(image)))
        return Status::Failure(
            LoadFailure(name, QStringLiteral("not enough memory to hold the picture")));
    return Status::Ok();
}

bool PictureSurface::SetImage(QImage image)
{
    if (image.isNull() || !MakeOpaque(image))
        return false;
    m_image = std::move(image);
    return true;
}

} // namespace pixolan
