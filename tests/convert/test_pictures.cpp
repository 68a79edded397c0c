// SPDX-License-Identifier: MIT
#include "convert/test_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstring>

namespace pixolan::test {

TempDir::TempDir()
{
    EXPECT_TRUE(m_dir.isValid()) << m_dir.errorString().toStdString();
}

QStringList TempDir::entries() const
{
    return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray Encode(const QImage &image, const char *format, int quality)
{
    // Conversions leave the padding at the end of each row unset, and the BMP writer copies it
    // into the file, which memory checkers rightly report; it is zeroed here.
    QImage padded = image.copy();
    const qsizetype used = (qsizetype(padded.width()) * padded.depth() + 7) / 8;
    for (int y = 0; y < padded.height(); ++y)
        std::memset(padded.scanLine(y) + used, 0, std::size_t(padded.bytesPerLine() - used));

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(padded.save(&buffer, format, quality)) << format;
    return bytes;
}

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11 + 5) & 0xFF, (x * 13 + y * 71 + 90) & 0xFF,
                                (x * 89 + y * 29 + 200) & 0xFF));
    return image;
}

QImage Noise(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        random.fillRange(row, width);
        for (int x = 0; x < width; ++x)
            row[x] |= 0xFF000000u; // opaque, as Format_RGB32 requires
    }
    return image;
}

namespace {

void AppendLe16(QByteArray &bytes, unsigned value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

void AppendBe32(QByteArray &bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
}

std::uint32_t Crc32(const QByteArray &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : bytes) {
        crc ^= std::uint8_t(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void AppendPngChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    AppendBe32(png, std::uint32_t(data.size()));
    const QByteArray typed = QByteArray(type) + data;
    png.append(typed);
    AppendBe32(png, Crc32(typed));
}

// LZW data in which a clear code precedes every index, so that the code width never grows.
QByteArray UncompressedLzw(const std::vector<std::uint8_t> &indices, int minCodeSize)
{
    const unsigned clear = 1u << minCodeSize;
    const int width = minCodeSize + 1;
    QByteArray data;
    std::uint32_t bits = 0;
    int count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        count += width;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    for (std::uint8_t index : indices) {
        put(clear);
        put(index);
    }
    put(clear + 1); // end of information
    if (count > 0)
        data.append(char(bits & 0xFF));
    return data;
}

} // namespace

QByteArray MakeGif(int width, int height, const std::vector<std::uint32_t> &colours,
                   const std::vector<GifFrame> &frames)
{
    int tableBits = 1;
    while ((1u << tableBits) < colours.size())
        ++tableBits;
    QByteArray gif("GIF89a");
    AppendLe16(gif, unsigned(width));
    AppendLe16(gif, unsigned(height));
    gif.append(char(0xF0 | (tableBits - 1)));
    gif.append('\0');
    gif.append('\0');
    for (unsigned i = 0; i < (1u << tableBits); ++i) {
        const std::uint32_t rgb = i < colours.size() ? colours[i] : 0;
        gif.append(char(rgb >> 16)).append(char(rgb >> 8)).append(char(rgb));
    }
    for (const GifFrame &frame : frames) {
        gif.append("\x21\xF9\x04", 3);
        gif.append(char(frame.transparentIndex >= 0 ? 0x01 : 0x00));
        AppendLe16(gif, 10);
        gif.append(char(frame.transparentIndex >= 0 ? frame.transparentIndex : 0));
        gif.append('\0');

        gif.append('\x2C');
        AppendLe16(gif, 0);
        AppendLe16(gif, 0);
        AppendLe16(gif, unsigned(width));
        AppendLe16(gif, unsigned(height));
        gif.append('\0');
        const int minCodeSize = std::max(2, tableBits);
        gif.append(char(minCodeSize));
        const QByteArray lzw = UncompressedLzw(frame.indices, minCodeSize);
        for (qsizetype at = 0; at < lzw.size(); at += 255) {
            const QByteArray block = lzw.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        gif.append('\0');
    }
    gif.append('\x3B');
    return gif;
}

QByteArray MakeBmp(const QImage &image, int bitsPerPixel, bool topDown)
{
    const int width = image.width();
    const int height = image.height();
    const int stride = (width * bitsPerPixel + 31) / 32 * 4;
    QByteArray pixels;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        QByteArray line;
        for (int x = 0; x < width; ++x) {
            const QRgb p = image.pixel(x, y);
            if (bitsPerPixel == 16) {
                AppendLe16(line,
                           unsigned(qRed(p) >> 3 << 10 | qGreen(p) >> 3 << 5 | qBlue(p) >> 3));
            } else {
                line.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p)));
            }
        }
        line.resize(stride, '\0');
        pixels += line;
    }
    QByteArray bmp("BM");
    auto le32 = [](QByteArray &bytes, std::uint32_t value) {
        AppendLe16(bytes, value & 0xFFFF);
        AppendLe16(bytes, value >> 16);
    };
    le32(bmp, std::uint32_t(54 + pixels.size()));
    le32(bmp, 0);
    le32(bmp, 54);
    le32(bmp, 40);
    le32(bmp, std::uint32_t(width));
    le32(bmp, std::uint32_t(topDown ? -height : height));
    AppendLe16(bmp, 1);
    AppendLe16(bmp, unsigned(bitsPerPixel));
    for (int i = 0; i < 6; ++i)
        le32(bmp, i == 1 ? std::uint32_t(pixels.size()) : 0);
    return bmp + pixels;
}

QByteArray MakeRle8Bmp(int width, int height, const std::vector<std::uint32_t> &colours,
                       const QByteArray &runs)
{
    auto le32 = [](QByteArray &bytes, std::uint32_t value) {
        AppendLe16(bytes, value & 0xFFFF);
        AppendLe16(bytes, value >> 16);
    };
    const auto dataOffset = std::uint32_t(14 + 40 + 4 * colours.size());
    QByteArray bmp("BM");
    le32(bmp, dataOffset + std::uint32_t(runs.size()));
    le32(bmp, 0);
    le32(bmp, dataOffset);
    le32(bmp, 40);
    le32(bmp, std::uint32_t(width));
    le32(bmp, std::uint32_t(height));
    AppendLe16(bmp, 1);
    AppendLe16(bmp, 8);
    le32(bmp, 1); // RLE8
    le32(bmp, std::uint32_t(runs.size()));
    le32(bmp, 0);
    le32(bmp, 0);
    le32(bmp, std::uint32_t(colours.size()));
    le32(bmp, 0);
    for (std::uint32_t rgb : colours)
        le32(bmp, rgb); // blue, green, red, zero
    return bmp + runs;
}

QByteArray MakeInterlacedPng(const QImage &image)
{
    struct Pass
    {
        int x, y, dx, dy;
    };
    static constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    QByteArray raw;
    for (const Pass &pass : kAdam7) {
        for (int y = pass.y; y < image.height(); y += pass.dy) {
            if (pass.x >= image.width())
                break;
            raw.append('\0'); // filter: none
            for (int x = pass.x; x < image.width(); x += pass.dx) {
                const QRgb p = image.pixel(x, y);
                raw.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
            }
        }
    }
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    AppendBe32(header, std::uint32_t(image.width()));
    AppendBe32(header, std::uint32_t(image.height()));
    header.append("\x08\x02\x00\x00\x01", 5); // 8-bit RGB, Adam7
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", qCompress(raw).mid(4)); // qCompress puts a length before zlib data
    AppendPngChunk(png, "IEND", {});
    return png;
}

QByteArray PngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    AppendBe32(header, width);
    AppendBe32(header, height);
    header.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", qCompress(QByteArray(4096, '\0')).mid(4));
    AppendPngChunk(png, "IEND", {});
    return png;
}

QByteArray PngWithDamagedData()
{
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    AppendBe32(header, 4);
    AppendBe32(header, 4);
    header.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", QByteArray("\x78\x9C\xFF\xFF\xFF\xFF", 6)); // a bad block type
    AppendPngChunk(png, "IEND", {});
    return png;
}

QByteArray BmpWith(const std::vector<std::pair<BmpField, std::int64_t>> &changes)
{
    QByteArray bmp = Encode(Pattern(6, 5), "bmp");
    for (const auto &[field, value] : changes)
        for (int i = 0; i < field.size; ++i)
            bmp[field.offset + i] = char(std::uint64_t(value) >> (8 * i));
    return bmp;
}

QByteArray WholePicture(const char *format)
{
    const QByteArray name(format);
    if (name != "gif")
        return Encode(Pattern(64, 48), format, name == "jpg" ? 90 : -1);
    std::vector<std::uint8_t> indices(64 * 48);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = std::uint8_t(i % 7);
    return MakeGif(64, 48, {0, 0xFF, 0xFF00, 0xFF0000, 0xFFFF, 0xFF00FF, 0xFFFF00}, {{indices}});
}

QByteArray CutShort(const char *format, Cut where)
{
    const QByteArray whole = WholePicture(format);
    switch (where) {
    case Cut::InHeader:
        return whole.left(30); // past the signature, inside the first header or table
    case Cut::HalfWay:
        return whole.left(whole.size() / 2);
    case Cut::LastBytes:
        break;
    }
    return whole.chopped(QByteArray(format) == "gif" ? 2 : 1);
}

QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff.append("\x01\0", 2);                   // one entry
    tiff.append("\x12\x01\x03\0\x01\0\0\0", 8); // Orientation, SHORT, count 1
    AppendLe16(tiff, unsigned(orientation));
    tiff.append("\0\0\0\0\0\0", 6); // padding, then no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    segment.append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

} // namespace pixolan::test
