// SPDX-License-Identifier: MIT
#include "convert/read/png_fixups.h"

#include "convert/read/picture_checks.h"

#include <QRgba64>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace pixolan {
namespace {

std::uint32_t Be32(QByteArrayView bytes, qint64 pos)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | std::uint8_t(bytes[pos + i]);
    return value;
}

// The CRC of a chunk's type and data, as PNG defines it; only ever run over a few bytes.
std::uint32_t ChunkCrc(QByteArrayView typeAndData)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : typeAndData) {
        crc ^= std::uint8_t(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

constexpr std::uint32_t kIhdr = 0x49484452, kIdat = 0x49444154, kTrns = 0x74524E53;

// Presents a device's bytes without some ranges of them. Reads only: it is what the decoder reads
// from.
class HidingDevice : public QIODevice
{
public:
    HidingDevice(QIODevice &source, std::vector<PngFixup::Range> hidden)
        : m_source(source), m_hidden(std::move(hidden))
    {
        for (const PngFixup::Range &range : m_hidden)
            m_hiddenBytes += range.length;
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_source.size() - m_hiddenBytes; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize) {
            // Where the next byte comes from, and how many follow it before a hidden range.
            qint64 at = pos() + done;
            qint64 until = -1;
            for (const PngFixup::Range &range : m_hidden) {
                if (at < range.offset) {
                    until = range.offset - at;
                    break;
                }
                at += range.length;
            }
            const qint64 want = until < 0 ? maxSize - done : std::min(maxSize - done, until);
            if (!m_source.seek(at))
                break;
            const qint64 got = m_source.read(data + done, want);
            if (got <= 0)
                break;
            done += got;
        }
        return done > 0 || maxSize == 0 ? done : (m_source.atEnd() ? 0 : -1);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &m_source;
    std::vector<PngFixup::Range> m_hidden;
    qint64 m_hiddenBytes = 0;
};

// libpng's reasons in the words the loader's messages use, where plainer ones exist.
QString Reworded(QString reason)
{
    reason = reason.simplified();
    static const QLatin1String kCrc(": CRC error");
    if (reason.endsWith(kCrc))
        return QStringLiteral("bad CRC in %1").arg(reason.chopped(kCrc.size()));
    return reason;
}

} // namespace

QString InspectPng(QByteArrayView bytes, PngFixup *fixup)
{
    *fixup = {};
    if (IsWholePngWithBadLength(bytes))
        return QStringLiteral(
            "not a picture, or a damaged one (a chunk's length runs past the end of the file)");

    // Only 16-bit truecolour is affected: colour type 2, bit depth 16, from the header.
    if (bytes.size() < 8 + 25 || Be32(bytes, 8) != 13 || Be32(bytes, 12) != kIhdr ||
        bytes[24] != 16 || bytes[25] != 2)
        return {};
    // libpng takes the first tRNS chunk before the image data that has 6 bytes and a sound CRC,
    // and ignores others; all of them are hidden.
    bool keyed = false;
    for (qint64 pos = 8; pos <= bytes.size() - 12;) {
        const qint64 length = Be32(bytes, pos);
        const std::uint32_t type = Be32(bytes, pos + 4);
        if (type == kIdat || length > bytes.size() - 12 - pos)
            break;
        if (type == kTrns) {
            fixup->hidden.push_back({pos, 12 + length});
            if (!keyed && length == 6 &&
                ChunkCrc(bytes.sliced(pos + 4, 10)) == Be32(bytes, pos + 14)) {
                for (int i = 0; i < 3; ++i)
                    fixup->key[i] = std::uint16_t(std::uint8_t(bytes[pos + 8 + 2 * i]) << 8 |
                                                  std::uint8_t(bytes[pos + 9 + 2 * i]));
                keyed = true;
            }
        }
        pos += 12 + length;
    }
    if (!keyed)
        *fixup = {}; // Qt reads it as it reads any 16-bit PNG without transparency
    return {};
}

std::unique_ptr<QIODevice> WithoutHiddenChunks(QIODevice &source, const PngFixup &fixup)
{
    auto device = std::make_unique<HidingDevice>(source, fixup.hidden);
    device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return device;
}

bool ApplyTransparentColour(QImage &image, const PngFixup &fixup)
{
    if (image.format() != QImage::Format_RGBX64 && image.format() != QImage::Format_RGBA64)
        image.convertTo(QImage::Format_RGBA64); // 16 bits a sample stay exact
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgba64 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x].red() == fixup.key[0] && row[x].green() == fixup.key[1] &&
                row[x].blue() == fixup.key[2])
                row[x].setAlpha(0);
    }
    image.reinterpretAsFormat(QImage::Format_RGBA64);
    return true;
}

namespace {

// One stream for the whole process, never closed: a thread that took `stderr` just before a
// capture ended may still print into it, and its text comes out with the next capture's.
struct CaptureStream
{
    char *text = nullptr;
    std::size_t size = 0;
    std::FILE *file = open_memstream(&text, &size);
};

CaptureStream &Captured()
{
    static CaptureStream stream;
    return stream;
}

} // namespace

LibpngErrorCapture::LibpngErrorCapture(QString *reason) : m_reason(reason)
{
    std::fflush(stderr);
    m_memory = Captured().file;
    if (m_memory) {
        m_previous = stderr;
        stderr = m_memory;
    }
}

LibpngErrorCapture::~LibpngErrorCapture()
{
    if (!m_memory)
        return;
    stderr = m_previous;
    CaptureStream &stream = Captured();
    flockfile(m_memory); // holds off a late printer while the text is read and cleared
    std::fflush(m_memory);
    const QByteArray printed(stream.text, qsizetype(stream.size));
    std::rewind(m_memory);
    funlockfile(m_memory);

    static const QLatin1String kPrefix("libpng error: ");
    QByteArray others;
    for (const QByteArray &line : printed.split('\n')) {
        if (line.startsWith(kPrefix.data()))
            *m_reason = Reworded(QString::fromLocal8Bit(line.mid(kPrefix.size())));
        else if (!line.isEmpty())
            others += line + '\n';
    }
    if (!others.isEmpty()) {
        std::fwrite(others.constData(), 1, std::size_t(others.size()), stderr);
        std::fflush(stderr);
    }
}

} // namespace pixolan
