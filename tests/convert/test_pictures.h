// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <utility>
#include <vector>

namespace pixolan::test {

// A folder that lives for one test.
class TempDir
{
public:
    TempDir();
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList entries() const;

private:
    QTemporaryDir m_dir;
};

void WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);

// Encodes `image` in `format` ("png", "bmp", "jpg") and returns the bytes.
QByteArray Encode(const QImage &image, const char *format, int quality = -1);

// A small picture whose every pixel has distinct red, green and blue, so that a swapped channel or
// a mirrored row shows.
QImage Pattern(int width, int height);

// A picture of random opaque colours, the same for the same seed.
QImage Noise(int width, int height, quint32 seed);

// A GIF89a of `width` x `height` with the palette `colours` (0xRRGGBB, at most 256) and one
// palette index per pixel, row by row. Each frame is one entry of `frames`.
struct GifFrame
{
    std::vector<std::uint8_t> indices;
    int transparentIndex = -1;
};
QByteArray MakeGif(int width, int height, const std::vector<std::uint32_t> &colours,
                   const std::vector<GifFrame> &frames);

// An uncompressed BMP of `image` with 16 (5-5-5) or 24 bits a pixel, stored bottom-up as usual
// or top-down (a negative height).
QByteArray MakeBmp(const QImage &image, int bitsPerPixel, bool topDown);

// An 8-bit run-length encoded BMP of `width` x `height` with the palette `colours` (0xRRGGBB, at
// most 256) and the RLE8 data `runs`, bottom row first.
QByteArray MakeRle8Bmp(int width, int height, const std::vector<std::uint32_t> &colours,
                       const QByteArray &runs);

// An 8-bit RGB PNG of `image`, Adam7-interlaced (Qt's writer never interlaces).
QByteArray MakeInterlacedPng(const QImage &image);

// A PNG with a header, a little zero data and an end chunk, claiming a picture of `width` x
// `height`.
QByteArray PngHeaderOnly(std::uint32_t width, std::uint32_t height);

// A PNG whose chunks are whole and their checksums right, but whose compressed data is damaged:
// only the decoder finds the damage.
QByteArray PngWithDamagedData();

// A field of a BMP's file header or 40-byte info header: its offset and its size in bytes.
struct BmpField
{
    int offset;
    int size;
};
inline constexpr BmpField kBmpDataOffset{10, 4}, kBmpHeaderSize{14, 4}, kBmpWidth{18, 4},
    kBmpHeight{22, 4}, kBmpPlanes{26, 2}, kBmpBitsPerPixel{28, 2}, kBmpCompression{30, 4};

// A 24-bit BMP of Pattern(6, 5) with the given header fields changed (stored little-endian).
QByteArray BmpWith(const std::vector<std::pair<BmpField, std::int64_t>> &changes);

// A 64 x 48 picture, whole, in `format`: "png", "jpg", "gif" (seven colours) or "bmp".
QByteArray WholePicture(const char *format);

// Where a picture file ends early: inside its headers, half way through, or in its last bytes
// (the last byte; for a GIF the frame's closing byte and the trailer after it).
enum class Cut { InHeader, HalfWay, LastBytes };
QByteArray CutShort(const char *format, Cut where);

// `jpeg` with an EXIF block that gives the orientation tag `orientation` (1-8).
QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation);

} // namespace pixolan::test
