// SPDX-License-Identifier: MIT
#include "convert/test_pictures.h"

#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <sys/stat.h>

namespace pixolan::test {

QStringList TempDir::entries() const
{
    return QDir(m_dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

CurrentTempDir::CurrentTempDir() : m_saved(QDir::currentPath())
{
    m_entered = QDir::setCurrent(path());
}

CurrentTempDir::~CurrentTempDir()
{
    QDir::setCurrent(m_saved);
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool MakePipe(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

std::string FileIdentity(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) != 0
               ? std::string()
               : "inode " + std::to_string(info.st_ino) + ", modified " +
                     std::to_string(info.st_mtim.tv_sec) + "." +
                     std::to_string(info.st_mtim.tv_nsec);
}

bool Backdate(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addDays(-1),
                            QFileDevice::FileModificationTime);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (bytes == 0 || getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
        return;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_set)
        setrlimit(RLIMIT_FSIZE, &m_saved);
}

QByteArray ArrayText(const PictureSurface &surface, const ExportOptions &options)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    return WriteArray(surface, buffer, QStringLiteral("memory"), options) ? text : QByteArray();
}

QByteArray HeaderText(const PictureSurface &surface, const ExportOptions &options)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    return WriteHeader(surface, buffer, QStringLiteral("memory"), options) ? text : QByteArray();
}

QByteArray ArrayText(const QImage &image)
{
    PictureSurface surface;
    return surface.SetImage(image) ? ArrayText(surface) : QByteArray();
}

QByteArray ArrayTextOf(const QString &picturePath)
{
    PictureSurface surface;
    return surface.Load(picturePath) ? ArrayText(surface) : QByteArray();
}

std::string PixelDifferences(const QImage &actual, const QImage &expected)
{
    auto size = [](const QImage &image) {
        return std::to_string(image.width()) + " x " + std::to_string(image.height());
    };
    if (actual.size() != expected.size())
        return size(actual) + " pixels instead of " + size(expected);
    std::string differences;
    int count = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb is = actual.pixel(x, y) & 0xFFFFFFu, was = expected.pixel(x, y) & 0xFFFFFFu;
            if (is != was && ++count <= 3)
                differences += QStringLiteral("(%1, %2): %3 instead of %4; ")
                                   .arg(x)
                                   .arg(y)
                                   .arg(is, 6, 16, QLatin1Char('0'))
                                   .arg(was, 6, 16, QLatin1Char('0'))
                                   .toStdString();
        }
    return count == 0 ? std::string() : differences + std::to_string(count) + " pixels differ";
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
    return padded.save(&buffer, format, quality) ? bytes : QByteArray();
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

QImage Indexed(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

namespace {

void AppendLe16(QByteArray &bytes, unsigned value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

void AppendLe32(QByteArray &bytes, std::uint32_t value)
{
    AppendLe16(bytes, value & 0xFFFF);
    AppendLe16(bytes, value >> 16);
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

// A PNG of an 8-bit RGB picture of `width` x `height` whose pixel data, after the filter bytes,
// is `data` as zlib compressed data; `interlace` 1 for Adam7.
QByteArray RgbPng(std::uint32_t width, std::uint32_t height, int interlace, const QByteArray &data)
{
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    AppendBe32(header, width);
    AppendBe32(header, height);
    header.append("\x08\x02\x00\x00", 4).append(char(interlace)); // 8-bit RGB
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", data);
    AppendPngChunk(png, "IEND", {});
    return png;
}

// zlib data of `raw`: qCompress puts a length before it.
QByteArray Zlib(const QByteArray &raw)
{
    return qCompress(raw).mid(4);
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

// A BMP's file header and info header (40 bytes, or the OS/2 12 bytes).
QByteArray BmpHeaders(int infoSize, int width, int height, int bitsPerPixel, int compression,
                      std::uint32_t tableBytes, std::uint32_t dataBytes, std::uint32_t colours)
{
    const std::uint32_t dataOffset = 14 + std::uint32_t(infoSize) + tableBytes;
    QByteArray bmp("BM");
    AppendLe32(bmp, dataOffset + dataBytes);
    AppendLe32(bmp, 0);
    AppendLe32(bmp, dataOffset);
    AppendLe32(bmp, std::uint32_t(infoSize));
    if (infoSize == 12) {
        AppendLe16(bmp, unsigned(width));
        AppendLe16(bmp, unsigned(height));
    } else {
        AppendLe32(bmp, std::uint32_t(width));
        AppendLe32(bmp, std::uint32_t(height));
    }
    AppendLe16(bmp, 1);
    AppendLe16(bmp, unsigned(bitsPerPixel));
    if (infoSize == 12)
        return bmp;
    for (std::uint32_t field : {std::uint32_t(compression), dataBytes, 0u, 0u, colours, 0u})
        AppendLe32(bmp, field);
    return bmp;
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
        gif.append(char(frame.disposal << 2 | (frame.transparentIndex >= 0 ? 0x01 : 0x00)));
        AppendLe16(gif, unsigned(frame.delay));
        gif.append(char(frame.transparentIndex >= 0 ? frame.transparentIndex : 0));
        gif.append('\0');

        const QRect rect = frame.rect.isEmpty() ? QRect(0, 0, width, height) : frame.rect;
        gif.append('\x2C');
        AppendLe16(gif, unsigned(rect.x()));
        AppendLe16(gif, unsigned(rect.y()));
        AppendLe16(gif, unsigned(rect.width()));
        AppendLe16(gif, unsigned(rect.height()));
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
            if (bitsPerPixel == 16)
                AppendLe16(line,
                           unsigned(qRed(p) >> 3 << 10 | qGreen(p) >> 3 << 5 | qBlue(p) >> 3));
            else
                line.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p)));
        }
        line.resize(stride, '\0');
        pixels += line;
    }
    return BmpHeaders(40, width, topDown ? -height : height, bitsPerPixel, 0, 0,
                      std::uint32_t(pixels.size()), 0) +
           pixels;
}

QByteArray MakeRleBmp(int bitsPerPixel, int width, int height,
                      const std::vector<std::uint32_t> &colours, const QByteArray &runs)
{
    QByteArray bmp = BmpHeaders(40, width, height, bitsPerPixel, bitsPerPixel == 8 ? 1 : 2,
                                std::uint32_t(4 * colours.size()), std::uint32_t(runs.size()),
                                std::uint32_t(colours.size()));
    for (std::uint32_t rgb : colours)
        AppendLe32(bmp, rgb); // blue, green, red, zero
    return bmp + runs;
}

QByteArray MakeOs2Bmp(const QImage &indexed)
{
    const int stride = (indexed.width() + 3) / 4 * 4;
    QByteArray bmp = BmpHeaders(12, indexed.width(), indexed.height(), 8, 0, 3 * 256,
                                std::uint32_t(stride * indexed.height()), 0);
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = indexed.colorTable().value(i);
        bmp.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour)));
    }
    for (int y = indexed.height() - 1; y >= 0; --y)
        bmp += QByteArray(reinterpret_cast<const char *>(indexed.constScanLine(y)), indexed.width())
                   .leftJustified(stride, '\0');
    return bmp;
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
    return RgbPng(std::uint32_t(image.width()), std::uint32_t(image.height()), 1, Zlib(raw));
}

QByteArray PngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    return RgbPng(width, height, 0, Zlib(QByteArray(4096, '\0')));
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
        return Encode(Pattern(61, 47), format, name == "jpg" ? 90 : -1);
    std::vector<std::uint8_t> indices(61 * 47);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = std::uint8_t(i % 7);
    return MakeGif(61, 47, {0, 0xFF, 0xFF00, 0xFF0000, 0xFFFF, 0xFF00FF, 0xFFFF00}, {{indices}});
}

std::string CompileErrors(const QString &source, const QStringList &includes)
{
    for (const char *standard : {"c99", "c11", "c++11", "c++20"}) {
        QStringList arguments = {"-x",
                                 standard[1] == '+' ? "c++" : "c",
                                 QStringLiteral("-std=%1").arg(standard),
                                 "-Wall",
                                 "-Wextra",
                                 "-Werror",
                                 "-pedantic",
                                 "-fsyntax-only"};
        for (const QString &include : includes)
            arguments << "-include" << include;
        QProcess compiler;
        compiler.setProcessChannelMode(QProcess::MergedChannels);
        compiler.start(PIXOLAN_CXX_COMPILER, arguments << source);
        if (!compiler.waitForFinished(60000))
            return std::string(standard) + ": the compiler did not finish";
        if (compiler.exitStatus() != QProcess::NormalExit || compiler.exitCode() != 0)
            return std::string(standard) + ": " + compiler.readAll().toStdString();
    }
    return {};
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

namespace {

// Colours of a picture and the colours the display shows for them, RRR GGG BB widened again.
constexpr std::pair<QRgb, QRgb> kShown[] = {
    {qRgb(255, 255, 255), qRgb(255, 255, 255)}, // 111 111 11
    {qRgb(0, 0, 0), qRgb(0, 0, 0)},
    {qRgb(31, 31, 63), qRgb(0, 0, 0)},          // below every first step
    {qRgb(200, 100, 50), qRgb(219, 109, 0)},    // 110 011 00
    {qRgb(128, 128, 128), qRgb(146, 146, 170)}, // 100 100 10
    {qRgb(32, 64, 64), qRgb(36, 73, 85)},       // 001 010 01
    {qRgb(255, 0, 0), qRgb(255, 0, 0)},         // 111 000 00
    {qRgb(10, 250, 190), qRgb(0, 255, 170)},    // 000 111 10
};

QImage ShownRows(bool preview)
{
    const int count = int(std::size(kShown));
    QImage image(count, 2, QImage::Format_RGB32);
    for (int x = 0; x < count; ++x) {
        image.setPixel(x, 0, preview ? kShown[x].second : kShown[x].first);
        image.setPixel(x, 1, preview ? kShown[count - 1 - x].second : kShown[count - 1 - x].first);
    }
    return image;
}

} // namespace

QImage ShownPicture()
{
    return ShownRows(false);
}

QImage ShownPreview()
{
    return ShownRows(true);
}

// ---------------------------------------------------------------------------------------------
// Bad input

namespace {

std::function<bool(const QString &)> Bytes(const QByteArray &bytes)
{
    return [bytes](const QString &path) { return WriteBytes(path, bytes); };
}

// A JPEG cut in the middle of its scan that still ends with its end marker: its structure looks
// whole, and only the decoder notices the missing data.
QByteArray JpegCutMidScan()
{
    const QByteArray whole = WholePicture("jpg");
    const qsizetype scan = whole.indexOf("\xFF\xDA");
    return whole.left(scan + (whole.size() - scan) / 2) + QByteArray("\xFF\xD9", 2);
}

// A 2-pixel bit-field BMP with the given masks.
std::function<bool(const QString &)> Masks(int bits, const std::vector<std::uint32_t> &masks)
{
    return Bytes(MakeBitfieldBmp(124, bits, masks, 2, 1, {0x1234, 0xFFFF}));
}

std::vector<BadPicture> MakeBadPictures()
{
    const QString cutShort = QStringLiteral("picture is cut short");
    const QString damaged = QStringLiteral("not a picture, or a damaged one (%1)");
    const QString bmpHeader =
        QStringLiteral("a BMP whose header is damaged or of a kind that cannot be read");
    std::vector<BadPicture> rows = {
        {"missing_file", "gone.png", [](const QString &) { return true; }, "file not found"},
        {"missing_file_with_a_line_break_in_its_name", "two\nlines.png",
         [](const QString &) { return true; }, "file not found"},
        {"folder", "folder.png", [](const QString &path) { return QDir().mkpath(path); },
         "this is a folder, not a picture"},
        // Opening a named pipe for reading would wait for a writer forever.
        {"named_pipe", "pipe.png", MakePipe,
         "not a regular file (a device, pipe or socket), not a picture"},
        {"empty_file", "empty.png", Bytes(""), "empty file, not a picture"},
        {"text_named_jpg", "notes.jpg", Bytes("int main() { return 0; }\n"), "not a picture"},
        {"huge_png_header", "huge.png", Bytes(PngHeaderOnly(100000, 100000)),
         "picture too large (100000 x 100000 pixels; at most 268435456 pixels are supported)"},
        // Refused while decoding, past every check of the header and the structure.
        {"png_with_damaged_data", "damaged.png",
         Bytes(RgbPng(4, 4, 0, QByteArray("\x78\x9C\xFF\xFF\xFF\xFF", 6))), // a bad block
         "not a picture, or a damaged one"},
        {"jpg_cut_mid_scan_ending_in_eoi", "cut scan.jpg", Bytes(JpegCutMidScan()), cutShort},
        // A BMP's header fields taken at face value could make a decoder allocate or read
        // anything; a negative height alone is fine (rows stored top-down).
        {"bmp_negative_width", "odd.bmp", Bytes(BmpWith({{kBmpWidth, -6}})), bmpHeader},
        {"bmp_zero_width", "odd.bmp", Bytes(BmpWith({{kBmpWidth, 0}})), bmpHeader},
        {"bmp_zero_height", "odd.bmp", Bytes(BmpWith({{kBmpHeight, 0}})), bmpHeader},
        {"bmp_zero_planes", "odd.bmp", Bytes(BmpWith({{kBmpPlanes, 0}})), bmpHeader},
        {"bmp_7_bits_a_pixel", "odd.bmp", Bytes(BmpWith({{kBmpBitsPerPixel, 7}})), bmpHeader},
        {"bmp_64_bits_a_pixel", "odd.bmp", Bytes(BmpWith({{kBmpBitsPerPixel, 64}})), bmpHeader},
        {"bmp_unknown_compression", "odd.bmp", Bytes(BmpWith({{kBmpCompression, 99}})), bmpHeader},
        {"bmp_header_size_huge", "odd.bmp", Bytes(BmpWith({{kBmpHeaderSize, 0xFFFFFFF0}})),
         bmpHeader},
        {"bmp_cut_in_its_info_header", "odd.bmp", Bytes(BmpWith({}).left(30)), cutShort},
        {"bmp_data_offset_past_the_end", "odd.bmp", Bytes(BmpWith({{kBmpDataOffset, 100000}})),
         cutShort},
        {"bmp_data_offset_4_gb", "odd.bmp", Bytes(BmpWith({{kBmpDataOffset, 0xFFFFFFF0}})),
         cutShort},
        // Qt reads the pixels from the end of the headers when the offset points into them, so
        // that is where the data must fit.
        {"bmp_data_offset_zero_and_data_short", "odd.bmp",
         Bytes(BmpWith({{kBmpDataOffset, 0}}).chopped(54)), cutShort},
        {"bmp_width_times_height_overflows", "odd.bmp",
         Bytes(BmpWith({{kBmpWidth, 65536}, {kBmpHeight, 65536}})),
         "picture too large (65536 x 65536 pixels"},
        {"bmp_largest_width_and_height", "odd.bmp",
         Bytes(BmpWith({{kBmpWidth, 0x7FFFFFFF}, {kBmpHeight, 0x7FFFFFFF}})),
         "picture too large (2147483647 x 2147483647 pixels"},
        {"bmp_most_negative_height", "odd.bmp", Bytes(BmpWith({{kBmpHeight, 0x80000000}})),
         "picture too large (6 x 2147483648 pixels"},
        {"bmp_run_length_without_its_end", "rle.bmp",
         Bytes(MakeRleBmp(8, 4, 2, {0xFF0000}, QByteArray("\x04\x00\x00\x00\x04\x00", 6))),
         cutShort},
        {"bmp_os2_last_byte_missing", "os2.bmp",
         Bytes(MakeOs2Bmp(Indexed(Pattern(23, 17))).chopped(1)), cutShort},
        // Damaged PNGs, with libpng's reason in its place and kept off standard error.
        {"png_bad_crc_in_idat", "damaged.png", Bytes(DamagedPng(PngDamage::IdatCrc)),
         damaged.arg("bad CRC in IDAT")},
        {"png_bad_crc_in_ihdr", "damaged.png", Bytes(DamagedPng(PngDamage::IhdrCrc)),
         damaged.arg("bad CRC in IHDR")},
        {"png_bad_adler_checksum", "damaged.png", Bytes(DamagedPng(PngDamage::AdlerChecksum)),
         damaged.arg("IDAT: incorrect data check")},
        {"png_bad_zlib_header", "damaged.png", Bytes(DamagedPng(PngDamage::ZlibHeader)),
         damaged.arg("IDAT: incorrect header check")},
        {"png_bit_depth_3", "damaged.png", Bytes(DamagedPng(PngDamage::BitDepth3)),
         damaged.arg("Invalid IHDR data")},
        {"png_chunk_length_past_the_end", "damaged.png",
         Bytes(DamagedPng(PngDamage::LengthPastEnd)),
         damaged.arg("a chunk's length runs past the end of the file")},
        // Bit-field masks that cannot be honoured.
        {"bmp_masks_overlap", "masks.bmp", Masks(16, {0xFF00, 0x0FF0, 0x000F, 0}),
         "a BMP whose red and green masks overlap"},
        {"bmp_alpha_overlaps_blue", "masks.bmp", Masks(32, {0xFF0000, 0xFF00, 0xFF, 0x3}),
         "a BMP whose blue and alpha masks overlap"},
        {"bmp_mask_with_gaps", "masks.bmp", Masks(16, {0xF00F, 0x0F0, 0, 0}),
         "a BMP whose red mask (0xf00f) has gaps"},
        {"bmp_mask_wider_than_16_bits", "masks.bmp", Masks(32, {0xFFFFF000, 0xF00, 0xFF, 0}),
         "a BMP whose red mask (0xfffff000) is wider than 16 bits"},
        {"bmp_mask_outside_16_bit_pixels", "masks.bmp", Masks(16, {0xF800, 0x7E0, 0x1F, 0x10000}),
         "a BMP whose alpha mask (0x10000) lies outside its 16-bit pixels"},
        // A whole file whose palette is short: not cut short.
        {"bmp_os2_short_palette", "os2.bmp", Bytes(ShortPaletteBmp(12, 4, 5, 3)),
         "a BMP whose palette is shorter than its header says (4 of 256 colours)"},
        {"bmp_short_palette", "short.bmp", Bytes(ShortPaletteBmp(40, 16, 5, 3)),
         "a BMP whose palette is shorter than its header says (16 of 256 colours)"},
    };
    // Each format cut in its headers, part way, and in its last bytes (a GIF's last byte is its
    // trailer, which follows the frame, so there the frame's closing byte goes too).
    for (const char *format : {"png", "jpg", "gif", "bmp"}) {
        const QByteArray whole = WholePicture(format);
        const qsizetype size = whole.size();
        const qsizetype last = size - (QByteArray(format) == "gif" ? 2 : 1);
        const std::pair<const char *, qsizetype> cuts[] = {
            {"cut_in_its_header", 30},        {"cut_at_20pc", size / 5},
            {"cut_half_way", size / 2},       {"cut_at_90pc", size * 9 / 10},
            {"cut_at_99pc", size * 99 / 100}, {"last_bytes_missing", last}};
        for (const auto &[cut, keep] : cuts)
            rows.push_back({std::string(format) + "_" + cut, QStringLiteral("cut.") + format,
                            Bytes(whole.left(keep)), cutShort});
    }
    return rows;
}

template <typename Row> const Row &Named(const std::vector<Row> &rows, std::string_view name)
{
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [name](const Row &candidate) { return candidate.name == name; });
    if (row == rows.end())
        qFatal("no row named %s", std::string(name).c_str());
    return *row;
}

} // namespace

const std::vector<BadPicture> &BadPictures()
{
    static const std::vector<BadPicture> rows = MakeBadPictures();
    return rows;
}

const BadPicture &BadPictureNamed(std::string_view name)
{
    return Named(BadPictures(), name);
}

const std::vector<BadOutput> &BadOutputs()
{
    static const std::vector<BadOutput> rows = {
        {"empty_path", "", "no file name was given"},
        {"missing_folder", "no such folder/array.c", "No such file or directory"},
        {"a_folder", "folder", "Filename refers to a directory"},
        {"inside_a_file", "plain.txt/array.c", "Not a directory"},
        // Saving through a temporary file and a rename would put a regular file in place of a
        // pipe or a device, such as /dev/null for whoever may write /dev.
        {"named_pipe", "pipe", "not a regular file (a device, pipe or socket)"},
        // About 500 kB of array against 64 kB (a lower limit would stop a memory checker that
        // runs the program): the write fails after its first blocks.
        {"write_fails_half_way", "array.c", "File too large", 64 * 1024},
    };
    return rows;
}

const BadOutput &BadOutputNamed(std::string_view name)
{
    return Named(BadOutputs(), name);
}

bool MakeOutputFolder(const QString &folder)
{
    const QDir dir(folder);
    return WriteBytes(dir.filePath("array.c"), kEarlierExport) && dir.mkdir("folder") &&
           WriteBytes(dir.filePath("plain.txt"), "kept") && MakePipe(dir.filePath("pipe"));
}

std::string OutputFolderChanges(const QString &folder)
{
    const QDir dir(folder);
    struct stat pipe
    {
    };
    std::string changes;
    if (ReadBytes(dir.filePath("array.c")) != kEarlierExport)
        changes += "array.c changed; ";
    if (!QDir(dir.filePath("folder")).isEmpty())
        changes += "the folder is no longer empty; ";
    if (ReadBytes(dir.filePath("plain.txt")) != "kept")
        changes += "plain.txt changed; ";
    if (::lstat(QFile::encodeName(dir.filePath("pipe")).constData(), &pipe) != 0 ||
        !S_ISFIFO(pipe.st_mode))
        changes += "the pipe was replaced; ";
    return changes;
}

// ---------------------------------------------------------------------------------------------
// Pictures Qt does not write: 16-bit PNGs with chunks of one's choosing, bit-field BMPs

namespace {

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
