// SPDX-License-Identifier: MIT
// Writes the fuzzer's seed corpus into the folder given: a tiny picture of each kind the loader
// reads, every one checked to load. Qt encodes what it can write; GIF and RLE BMP are made here.
#include "convert/picture_surface.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

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
