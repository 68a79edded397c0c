// SPDX-License-Identifier: MIT
// What the core's, the window's and pixolan-export's tests share: files and folders, pictures
// made byte by byte, and the one table each of bad pictures and bad outputs. Nothing here reports
// to a test framework, so GoogleTest and QtTest tests use it alike.
#pragma once

#include "convert/export_options.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pixolan {
class PictureSurface;
}

namespace pixolan::test {

// Names each row of a GoogleTest table after its `name`.
inline constexpr auto RowName = [](const auto &info) { return std::string(info.param.name); };

// A folder that lives for one test.
class TempDir
{
public:
    QString path(const QString &name = {}) const { return m_dir.filePath(name); }
    // Everything in it, hidden files and pipes included.
    QStringList entries() const;

private:
    QTemporaryDir m_dir;
};

// A temporary folder that is the current directory while it lives.
class CurrentTempDir : public TempDir
{
public:
    CurrentTempDir();
    ~CurrentTempDir();
    CurrentTempDir(const CurrentTempDir &) = delete;
    CurrentTempDir &operator=(const CurrentTempDir &) = delete;
    bool entered() const { return m_entered; }

private:
    QString m_saved;
    bool m_entered = false;
};

// Writes `bytes` at `path`, making its folders first; false on failure.
bool WriteBytes(const QString &path, const QByteArray &bytes);
// The file's bytes; null when it cannot be read.
QByteArray ReadBytes(const QString &path);
bool MakePipe(const QString &path);
// The file's inode and modification time, which a file left alone keeps and a replaced one does
// not; empty when there is no file. Backdate() moves the latter a day back (false on failure).
std::string FileIdentity(const QString &path);
bool Backdate(const QString &path);

// While it lives, a file of this process may not grow past `bytes` (0: no limit is set): a
// write beyond fails with "File too large", as SIGXFSZ is ignored. Child processes inherit it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

// The array text that WriteArray() gives for a surface (with the options), an image, or the
// picture at a path, and the header WriteHeader() gives; null when loading or writing failed.
QByteArray ArrayText(const PictureSurface &surface, const ExportOptions &options = {});
QByteArray HeaderText(const PictureSurface &surface, const ExportOptions &options);
QByteArray ArrayText(const QImage &image);
QByteArray ArrayTextOf(const QString &picturePath);

// Empty when `actual` has the size and the colours of `expected` (alpha ignored); otherwise
// where they differ.
std::string PixelDifferences(const QImage &actual, const QImage &expected);

// ---------------------------------------------------------------------------------------------
// Pictures

// Encodes `image` in `format` ("png", "bmp", "jpg"); empty on failure.
QByteArray Encode(const QImage &image, const char *format, int quality = -1);

// A picture whose every pixel has distinct red, green and blue, so that a swapped channel or a
// mirrored row shows.
QImage Pattern(int width, int height);
// A picture of random opaque colours, the same for the same seed.
QImage Noise(int width, int height, quint32 seed);
// `image` in 8-bit indexed colour.
QImage Indexed(const QImage &image);

// A GIF89a of `width` x `height` with the palette `colours` (0xRRGGBB, at most 256) and one
// palette index per pixel, row by row. Each frame is one entry of `frames`: the whole canvas, or
// `rect` of it, shown for `delay` hundredths of a second and then disposed of as `disposal` says
// (0 unspecified, 1 kept, 2 restored to the background, 3 restored to what was before).
struct GifFrame
{
    std::vector<std::uint8_t> indices;
    int transparentIndex = -1;
    int delay = 10;
    int disposal = 0;
    QRect rect = {};
};
QByteArray MakeGif(int width, int height, const std::vector<std::uint32_t> &colours,
                   const std::vector<GifFrame> &frames);

// Compiles `source` as C (C99 and C11) and C++ (C++11 and C++20) with -Wall -Wextra -Werror
// -pedantic, each of `includes` included first; what the compiler said of the first failure, or
// nothing when every one compiled.
std::string CompileErrors(const QString &source, const QStringList &includes);

// An uncompressed BMP of `image` with 16 (5-5-5) or 24 bits a pixel, stored bottom-up as usual
// or top-down (a negative height).
QByteArray MakeBmp(const QImage &image, int bitsPerPixel, bool topDown);

// A run-length encoded BMP (4 or 8 bits a pixel) of `width` x `height` with the palette
// `colours` (0xRRGGBB) and the run-length data `runs`, bottom row first.
QByteArray MakeRleBmp(int bitsPerPixel, int width, int height,
                      const std::vector<std::uint32_t> &colours, const QByteArray &runs);

// An OS/2 BMP (12-byte header, 3-byte palette entries) of an 8-bit indexed image.
QByteArray MakeOs2Bmp(const QImage &indexed);

// An 8-bit RGB PNG of `image`, Adam7-interlaced (Qt's writer never interlaces).
QByteArray MakeInterlacedPng(const QImage &image);

// A PNG with a header, a little zero data and an end chunk, claiming `width` x `height`.
QByteArray PngHeaderOnly(std::uint32_t width, std::uint32_t height);

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

// A 61 x 47 picture, whole, in `format`: "png", "jpg", "gif" (seven colours) or "bmp" (24 bits,
// so each row needs a byte of padding).
QByteArray WholePicture(const char *format);

// `jpeg` with an EXIF block that gives the orientation tag `orientation` (1-8).
QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation);

// A picture and, worked out by hand, the picture the display shows for it (the preview): two
// rows of the same colours, the second in reverse order.
QImage ShownPicture();
QImage ShownPreview();

// ---------------------------------------------------------------------------------------------
// Bad input

// A picture that must be refused. The core tries every row; the window and pixolan-export try
// the few that show their own handling of a refusal.
struct BadPicture
{
    std::string name;                              // letters, digits and '_'
    QString fileName;                              // the picture's name in its folder
    std::function<bool(const QString &path)> make; // makes it at `path`; false on failure
    QString reason;                                // the message gives it after the file's name
    friend void PrintTo(const BadPicture &row, std::ostream *out) { *out << row.name; }
};
const std::vector<BadPicture> &BadPictures();
const BadPicture &BadPictureNamed(std::string_view name);

// An output path that must be refused, tried in a folder made by MakeOutputFolder() with a
// picture of kBadOutputPicture pixels, whose array is far larger than any file-size limit here.
inline constexpr QSize kBadOutputPicture(300, 300);
struct BadOutput
{
    std::string name;
    QString output; // relative to the folder; empty for an empty path
    QString reason;
    rlim_t fileSizeLimit = 0; // during the write; 0 for none
    friend void PrintTo(const BadOutput &row, std::ostream *out) { *out << row.name; }
};
const std::vector<BadOutput> &BadOutputs();
const BadOutput &BadOutputNamed(std::string_view name);

// Makes what each bad output is tried beside, all of which must stay as they are: an earlier
// export "array.c" holding kEarlierExport, an empty folder "folder", a file "plain.txt" and a
// named pipe "pipe".
inline const QByteArray kEarlierExport = "the earlier export\r\n";
bool MakeOutputFolder(const QString &folder);
// Empty when what MakeOutputFolder() made is as it was; otherwise what changed.
std::string OutputFolderChanges(const QString &folder);

} // namespace pixolan::test

namespace pixolan::test {

// A PNG chunk: length, type, `data` and its CRC.
QByteArray PngChunk(const char *type, const QByteArray &data);

// A PNG of `width` x `height` with the given bit depth (8 or 16) and colour type (0 grey, 2 RGB,
// 4 grey and alpha, 6 RGBA), from `samples`: every channel of every pixel, row by row. `extra`
// chunks (see PngChunk) go between the header and the data; `interlaced` stores it in Adam7 order.
QByteArray MakePng(int width, int height, int bitDepth, int colourType,
                   const std::vector<std::uint16_t> &samples, const QByteArray &extra = {},
                   bool interlaced = false);

// A small whole PNG damaged in one way. libpng refuses each one with its own reason.
enum class PngDamage { IdatCrc, IhdrCrc, AdlerChecksum, ZlibHeader, BitDepth3, LengthPastEnd };
QByteArray DamagedPng(PngDamage damage);

// A bit-field BMP (compression 3) with a 40-byte header followed by the red, green and blue masks
// of `masks`, or a 108 or 124-byte header holding all four (red, green, blue, alpha). `pixels`
// are 16 or 32-bit values, top row first; a negative `height` stores the rows top-down.
QByteArray MakeBitfieldBmp(int headerSize, int bitsPerPixel,
                           const std::vector<std::uint32_t> &masks, int width, int height,
                           const std::vector<std::uint32_t> &pixels);

// A whole 8-bit BMP of `width` x `height` (all palette index 0) whose data offset follows a palette
// of only `colours` entries, while its header implies 256: an OS/2 one (12-byte header, 3-byte
// entries) or a Windows one (40-byte header, 4-byte entries).
QByteArray ShortPaletteBmp(int headerSize, int colours, int width, int height);

} // namespace pixolan::test
