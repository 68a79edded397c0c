// SPDX-License-Identifier: MIT
#include "convert/test_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <span>

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

namespace pixolan::test {
namespace {

void AppendLe32(QByteArray &bytes, std::uint32_t value)
{
    AppendLe16(bytes, value & 0xFFFF);
    AppendLe16(bytes, value >> 16);
}

// The file header and an info header of `headerSize` bytes (40 and up: the 40-byte fields, the
// rest zero; 12: the old OS/2 one) for data starting at `dataOffset`.
QByteArray BmpHeaders(int headerSize, int width, int height, int bits, std::uint32_t compression,
                      std::uint32_t dataOffset, std::uint32_t dataSize)
{
    QByteArray bmp("BM");
    AppendLe32(bmp, dataOffset + dataSize);
    AppendLe32(bmp, 0);
    AppendLe32(bmp, dataOffset);
    AppendLe32(bmp, std::uint32_t(headerSize));
    if (headerSize == 12) {
        AppendLe16(bmp, unsigned(width));
        AppendLe16(bmp, unsigned(height));
        AppendLe16(bmp, 1);
        AppendLe16(bmp, unsigned(bits));
        return bmp;
    }
    AppendLe32(bmp, std::uint32_t(width));
    AppendLe32(bmp, std::uint32_t(height));
    AppendLe16(bmp, 1);
    AppendLe16(bmp, unsigned(bits));
    AppendLe32(bmp, compression);
    AppendLe32(bmp, dataSize);
    bmp.append(QByteArray(headerSize - 24, '\0'));
    return bmp;
}

} // namespace

QByteArray PngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    AppendPngChunk(chunk, type, data);
    return chunk;
}

QByteArray MakePng(int width, int height, int bitDepth, int colourType,
                   const std::vector<std::uint16_t> &samples, const QByteArray &extra,
                   bool interlaced)
{
    const int channels = int(samples.size() / std::size_t(width * height));
    auto pixel = [&](int x, int y) {
        QByteArray bytes;
        for (int c = 0; c < channels; ++c) {
            const std::uint16_t v = samples[std::size_t((y * width + x) * channels + c)];
            if (bitDepth == 16)
                bytes.append(char(v >> 8));
            bytes.append(char(v & 0xFF));
        }
        return bytes;
    };
    struct Pass
    {
        int x, y, dx, dy;
    };
    static constexpr Pass kWhole[] = {{0, 0, 1, 1}};
    static constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    QByteArray raw;
    for (const Pass &pass : interlaced ? std::span<const Pass>(kAdam7) : std::span(kWhole))
        for (int y = pass.y; y < height && pass.x < width; y += pass.dy) {
            raw.append('\0'); // filter: none
            for (int x = pass.x; x < width; x += pass.dx)
                raw.append(pixel(x, y));
        }
    QByteArray header;
    AppendBe32(header, std::uint32_t(width));
    AppendBe32(header, std::uint32_t(height));
    header.append(char(bitDepth)).append(char(colourType)).append('\0').append('\0');
    header.append(char(interlaced ? 1 : 0));
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", header) + extra +
           PngChunk("IDAT", qCompress(raw).mid(4)) + PngChunk("IEND", {});
}

QByteArray DamagedPng(PngDamage damage)
{
    std::vector<std::uint16_t> samples(8 * 4 * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::uint16_t(i * 7);
    QByteArray png = MakePng(8, 4, 8, 2, samples);
    const qsizetype idat = png.indexOf("IDAT") + 4; // the zlib data
    switch (damage) {
    case PngDamage::IdatCrc:
        png[png.size() - 13] = char(png[png.size() - 13] ^ 1); // IDAT's CRC, before IEND
        break;
    case PngDamage::IhdrCrc:
        png[29] = char(png[29] ^ 1);
        break;
    case PngDamage::AdlerChecksum:
    case PngDamage::ZlibHeader: {
        QByteArray zlib = png.mid(idat, png.size() - 12 - 4 - idat);
        if (damage == PngDamage::ZlibHeader)
            zlib[1] = '\0';
        else
            zlib[zlib.size() - 1] = char(zlib[zlib.size() - 1] ^ 1);
        png = png.left(idat - 8) + PngChunk("IDAT", zlib) + PngChunk("IEND", {});
        break;
    }
    case PngDamage::BitDepth3: {
        QByteArray header = png.mid(16, 13);
        header[8] = 3;
        png = png.left(8) + PngChunk("IHDR", header) + png.mid(33);
        break;
    }
    case PngDamage::LengthPastEnd:
        png[idat - 8] = '\x7F'; // IDAT claims 2 GB
        break;
    }
    return png;
}

QByteArray MakeBitfieldBmp(int headerSize, int bitsPerPixel,
                           const std::vector<std::uint32_t> &masks, int width, int height,
                           const std::vector<std::uint32_t> &pixels)
{
    const int rows = std::abs(height);
    const int stride = (width * bitsPerPixel + 31) / 32 * 4;
    QByteArray data;
    for (int row = 0; row < rows; ++row) {
        const int y = height < 0 ? row : rows - 1 - row;
        QByteArray line;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[std::size_t(y * width + x)];
            AppendLe16(line, p & 0xFFFF);
            if (bitsPerPixel == 32)
                AppendLe16(line, p >> 16);
        }
        line.resize(stride, '\0');
        data += line;
    }
    const int maskBytes = headerSize == 40 ? 12 : 0;
    QByteArray bmp =
        BmpHeaders(headerSize, width, height, bitsPerPixel, 3,
                   std::uint32_t(14 + headerSize + maskBytes), std::uint32_t(data.size()));
    for (int i = 0; i < (headerSize == 40 ? 3 : 4); ++i) {
        const std::uint32_t mask = i < int(masks.size()) ? masks[std::size_t(i)] : 0;
        if (headerSize == 40)
            AppendLe32(bmp, mask);
        else
            for (int b = 0; b < 4; ++b)
                bmp[54 + 4 * i + b] = char(mask >> (8 * b));
    }
    return bmp + data;
}

QByteArray ShortPaletteBmp(int headerSize, int colours, int width, int height)
{
    const int entry = headerSize == 12 ? 3 : 4;
    const int stride = (width + 3) / 4 * 4;
    const auto dataOffset = std::uint32_t(14 + headerSize + colours * entry);
    QByteArray bmp =
        BmpHeaders(headerSize, width, height, 8, 0, dataOffset, std::uint32_t(stride * height));
    for (int i = 0; i < colours; ++i)
        bmp.append(QByteArray(entry, char(i * 40)));
    return bmp + QByteArray(stride * height, '\0');
}

} // namespace pixolan::test
