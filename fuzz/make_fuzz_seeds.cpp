// SPDX-License-Identifier: MIT
// Writes the fuzzer's seed corpus into the folder given: a tiny picture of each kind the loader
// reads, every one checked to load. Qt encodes what it can write; GIF and RLE BMP are made here.
#include "convert/read/picture_surface.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRgba64>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

QImage Pattern(int width, int height, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 60 + y * 7, 255 - x * 40, y * 90, x == 0 ? 128 : 255));
    return image.convertToFormat(format);
}

QByteArray Encode(const QImage &image, const char *format,
                  const std::function<void(QImageWriter &)> &options = {})
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (options)
        options(writer);
    if (!writer.write(image))
        std::fprintf(stderr, "cannot encode %s: %s\n", format, qPrintable(writer.errorString()));
    return bytes;
}

void AppendLe(QByteArray &bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

// A 4 x 3 BMP, bottom row first, with a four-colour palette and run-length encoded rows.
QByteArray RleBmp(int bitsPerPixel, const QByteArray &runs)
{
    const quint32 colours = 4;
    const quint32 dataOffset = 14 + 40 + 4 * colours;
    QByteArray bmp("BM");
    AppendLe(bmp, dataOffset + quint32(runs.size()), 4);
    AppendLe(bmp, 0, 4);
    AppendLe(bmp, dataOffset, 4);
    AppendLe(bmp, 40, 4);
    AppendLe(bmp, 4, 4); // width
    AppendLe(bmp, 3, 4); // height
    AppendLe(bmp, 1, 2);
    AppendLe(bmp, quint32(bitsPerPixel), 2);
    AppendLe(bmp, bitsPerPixel == 8 ? 1 : 2, 4); // RLE8 or RLE4
    AppendLe(bmp, quint32(runs.size()), 4);
    AppendLe(bmp, 2835, 4);
    AppendLe(bmp, 2835, 4);
    AppendLe(bmp, colours, 4);
    AppendLe(bmp, 0, 4);
    for (quint32 rgb : {0x000000u, 0xFF0000u, 0x00FF00u, 0x0000FFu})
        AppendLe(bmp, rgb, 4); // stored blue, green, red, 0
    return bmp + runs;
}

// A 4 x 3 bit-field BMP: a 40-byte header followed by the red, green and blue masks, or a 108 or
// 124-byte header holding all four masks. Pixels are spread over the masks' values.
QByteArray BitfieldBmp(int headerSize, int bits, const std::vector<quint32> &masks)
{
    const int width = 4, height = 3;
    const int stride = (width * bits + 31) / 32 * 4;
    QByteArray data;
    for (int y = 0; y < height; ++y) {
        QByteArray row;
        for (int x = 0; x < width; ++x)
            AppendLe(row, quint32(0x9E3779B9u * quint32(y * width + x + 1)), bits / 8);
        row.resize(stride, '\0');
        data += row;
    }
    const int masksAfter = headerSize == 40 ? 12 : 0;
    const quint32 dataOffset = quint32(14 + headerSize + masksAfter);
    QByteArray bmp("BM");
    AppendLe(bmp, dataOffset + quint32(data.size()), 4);
    AppendLe(bmp, 0, 4);
    AppendLe(bmp, dataOffset, 4);
    AppendLe(bmp, quint32(headerSize), 4);
    AppendLe(bmp, width, 4);
    AppendLe(bmp, height, 4);
    AppendLe(bmp, 1, 2);
    AppendLe(bmp, quint32(bits), 2);
    AppendLe(bmp, 3, 4); // bit-fields
    AppendLe(bmp, quint32(data.size()), 4);
    bmp.append(QByteArray(headerSize - 24, '\0'));
    for (int i = 0; i < (headerSize == 40 ? 3 : 4); ++i) {
        if (headerSize == 40)
            AppendLe(bmp, masks[std::size_t(i)], 4);
        else
            for (int b = 0; b < 4; ++b)
                bmp[54 + 4 * i + b] = char(masks[std::size_t(i)] >> (8 * b));
    }
    return bmp + data;
}

// A 16-bit RGB PNG whose first pixel's colour is its transparent colour (a tRNS chunk).
QByteArray KeyedPng16()
{
    const QImage image = Pattern(5, 3, QImage::Format_RGBX64);
    const QByteArray png = Encode(image, "png");
    const auto *first = reinterpret_cast<const QRgba64 *>(image.constScanLine(0));
    QByteArray chunk("tRNS");
    for (quint16 sample : {first->red(), first->green(), first->blue()})
        chunk.append(char(sample >> 8)).append(char(sample & 0xFF));
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : chunk) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    auto be32 = [](quint32 value) {
        QByteArray bytes;
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char(value >> shift));
        return bytes;
    };
    const QByteArray whole = be32(6) + chunk + be32(~crc);
    return png.left(33) + whole + png.mid(33); // after the signature and IHDR
}

// A 3 x 2 GIF89a with a four-colour palette, the last colour transparent.
const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x02, 0x00, 0xF1,
                              0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF,
                              0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04, 0x01, 0x0A, 0x00, 0x03, 0x00,
                              0x2C, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x00, 0x02,
                              0x05, 0x04, 0x43, 0x71, 0x14, 0x53, 0x00, 0x3B};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    const QImage rgb = Pattern(5, 3, QImage::Format_RGB32);
    const std::vector<std::pair<const char *, QByteArray>> seeds = {
        {"rgb.png", Encode(rgb, "png")},
        {"alpha.png", Encode(Pattern(5, 3), "png")},
        {"palette.png", Encode(Pattern(5, 3, QImage::Format_Indexed8), "png")},
        {"grey.png", Encode(Pattern(5, 3, QImage::Format_Grayscale8), "png")},
        {"16bit.png", Encode(Pattern(5, 3, QImage::Format_RGBA64), "png")},
        {"16bit_transparent_colour.png", KeyedPng16()},
        {"baseline.jpg", Encode(rgb, "jpeg")},
        {"progressive.jpg",
         Encode(rgb, "jpeg", [](QImageWriter &w) { w.setProgressiveScanWrite(true); })},
        {"rotated.jpg", Encode(rgb, "jpeg",
                               [](QImageWriter &w) {
                                   w.setTransformation(QImageIOHandler::TransformationRotate90);
                               })},
        {"24bit.bmp", Encode(rgb, "bmp")},
        {"8bit.bmp", Encode(Pattern(5, 3, QImage::Format_Indexed8), "bmp")},
        {"1bit.bmp", Encode(Pattern(5, 3, QImage::Format_Mono), "bmp")},
        {"rle8.bmp", RleBmp(8, QByteArray("\x04\x01\x00\x00"                 // four of colour 1
                                          "\x00\x04\x02\x03\x00\x01\x00\x00" // literally 2, 3, 0, 1
                                          "\x02\x03\x02\x00\x00\x01", // two of 3, two of 0; end
                                          18))},
        {"rle8_skips.bmp",
         RleBmp(8, QByteArray("\x02\x01"         // two of colour 1,
                              "\x00\x02\x01\x01" // a jump one right and one up,
                              "\x01\x02\x00\x00" // one of colour 2, the end of that row,
                              "\x00\x01",        // and the end of the picture
                              12))},
        {"rle4.bmp", RleBmp(4, QByteArray("\x04\x12\x00\x00"         // 1, 2, 1, 2
                                          "\x00\x04\x23\x01\x00\x00" // literally 2, 3, 0, 1
                                          "\x04\x30\x00\x01",        // 3, 0, 3, 0; end
                                          14))},
        {"bitfields_10_10_10_2.bmp",
         BitfieldBmp(124, 32, {0x3FF00000u, 0xFFC00u, 0x3FFu, 0xC0000000u})},
        {"bitfields_1_5_5_5.bmp", BitfieldBmp(108, 16, {0x7C00u, 0x3E0u, 0x1Fu, 0x8000u})},
        {"bitfields_3_10_3.bmp", BitfieldBmp(40, 16, {0xE000u, 0x1FF8u, 0x7u})},
        {"transparent.gif", QByteArray(reinterpret_cast<const char *>(kGif), sizeof kGif)},
        {"a.ppm", Encode(rgb, "ppm")},
        {"a.xpm", Encode(Pattern(5, 3, QImage::Format_Indexed8), "xpm")},
        {"a.ico", Encode(Pattern(5, 3), "ico")},
    };

    int failures = 0;
    for (const auto &[name, bytes] : seeds) {
        pixolan::PictureSurface surface;
        const pixolan::Status status = surface.LoadBytes(bytes, QString::fromLatin1(name));
        QFile file(folder.filePath(QString::fromLatin1(name)));
        if (!status.ok() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "seed %s: %s\n", name,
                         status.ok() ? qPrintable(file.errorString()) : qPrintable(status.error()));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
