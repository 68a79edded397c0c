// SPDX-License-Identifier: MIT
#include "convert/picture_surface.h"

#include "convert/picture_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

#include <cstring>
#include <limits>

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

QString TooLarge(QSize size, qint64 maxPixels)
{
    return QStringLiteral("picture too large (%1 x %2 pixels; at most %3 pixels are supported)")
        .arg(size.width())
        .arg(size.height())
        .arg(maxPixels);
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

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::Failure(
            LoadFailure(path, QStringLiteral("cannot be read (%1)").arg(file.errorString())));
    if (file.size() == 0)
        return Status::Failure(LoadFailure(path, QStringLiteral("empty file, not a picture")));

    // Decoders speak of damage through Qt's message handler, from the first look at the header on.
    const DecoderMessages messages;
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format(); // decided by content, never by the file name
    if (format.isEmpty())
        return Status::Failure(LoadFailure(path, QStringLiteral("not a picture")));

    // Refuse huge pictures from their header, before anything is allocated. Qt's own limit is set
    // to match, for decoders whose header gives no size; 8 bytes a pixel covers 16-bit samples.
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > m_maxPixels)
        return Status::Failure(LoadFailure(path, TooLarge(declared, m_maxPixels)));
    const qint64 limitMb = m_maxPixels * 8 / (1024 * 1024) + 1;
    QImageReader::setAllocationLimit(int(qMin<qint64>(limitMb, std::numeric_limits<int>::max())));

    if (const uchar *bytes = file.map(0, file.size())) {
        const bool cutShort = IsCutShort(format, QByteArrayView(bytes, file.size()));
        file.unmap(const_cast<uchar *>(bytes));
        if (cutShort)
            return Status::Failure(LoadFailure(path, QStringLiteral("picture is cut short")));
    }

    QImage image;
    if (!reader.read(&image))
        return Status::Failure(LoadFailure(path, ReaderFailure(reader)));
    if (messages.saidCutShort())
        return Status::Failure(LoadFailure(path, QStringLiteral("picture is cut short")));
    if (qint64(image.width()) * image.height() > m_maxPixels)
        return Status::Failure(LoadFailure(path, TooLarge(image.size(), m_maxPixels)));
    if (!SetImage(std::move(image)))
        return Status::Failure(
            LoadFailure(path, QStringLiteral("not enough memory to hold the picture")));
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
