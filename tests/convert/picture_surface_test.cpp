// SPDX-License-Identifier: MIT
#include "convert/picture_surface.h"

#include "convert/test_pictures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace pixolan {
namespace {

using test::Encode;
using test::Pattern;
using test::TempDir;
using test::WriteBytes;

ColourValue Colour(int red, int green, int blue)
{
    return ColourValue(red | green << 8 | blue << 16);
}

ColourValue Colour(QRgb rgb)
{
    return Colour(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// Every pixel of the surface against `expected` (0xAARRGGBB, alpha ignored).
void ExpectPixels(const PictureSurface &surface, const QImage &expected)
{
    ASSERT_EQ(surface.Width(), expected.width());
    ASSERT_EQ(surface.Height(), expected.height());
    int mismatches = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (surface.PixelColour(x, y) != Colour(expected.pixel(x, y)) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex
                              << surface.PixelColour(x, y) << " instead of "
                              << Colour(expected.pixel(x, y));
}

TEST(PictureSurface, IsEmptyBeforeAnyLoad)
{
    const PictureSurface surface;
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Height(), 0);
    EXPECT_TRUE(surface.Image().isNull());
}

// Lossless encodings come back as exactly the colours that went in.
struct Lossless
{
    const char *name;
    const char *fileName;
    std::function<QByteArray(const QImage &)> encode;
    std::function<QImage(const QImage &)> expected = [](const QImage &image) { return image; };
};

void PrintTo(const Lossless &param, std::ostream *out)
{
    *out << param.name;
}

class LosslessFormats : public testing::TestWithParam<Lossless>
{
};

TEST_P(LosslessFormats, DecodeToTheExactColours)
{
    TempDir dir;
    const QImage picture = Pattern(23, 17);
    const QString path = dir.path(GetParam().fileName);
    WriteBytes(path, GetParam().encode(picture));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(path).ok()) << surface.Load(path).error().toStdString();
    ExpectPixels(surface, GetParam().expected(picture));
}

QImage Bits555(const QImage &image)
{
    QImage reduced = image;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            auto widen = [](int c) { return (c >> 3) << 3; }; // Qt widens 5 bits by a shift
            reduced.setPixel(x, y, qRgb(widen(qRed(p)), widen(qGreen(p)), widen(qBlue(p))));
        }
    return reduced;
}

QImage Indexed(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

QImage Grey(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Grayscale8);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, LosslessFormats,
    testing::Values(
        Lossless{"png_rgb", "a.png", [](const QImage &i) { return Encode(i, "png"); }},
        Lossless{"png_palette", "a.png", [](const QImage &i) { return Encode(Indexed(i), "png"); },
                 Indexed},
        Lossless{"png_grey", "a.png", [](const QImage &i) { return Encode(Grey(i), "png"); }, Grey},
        Lossless{"png_16_bit", "a.png",
                 [](const QImage &i) {
                     return Encode(i.convertToFormat(QImage::Format_RGBX64), "png");
                 }},
        Lossless{"png_interlaced", "a.png", test::MakeInterlacedPng},
        Lossless{"bmp_24_bit", "a.bmp", [](const QImage &i) { return Encode(i, "bmp"); }},
        Lossless{"bmp_8_bit", "a.bmp", [](const QImage &i) { return Encode(Indexed(i), "bmp"); },
                 Indexed},
        Lossless{
            "bmp_1_bit", "a.bmp",
            [](const QImage &i) { return Encode(i.convertToFormat(QImage::Format_Mono), "bmp"); },
            [](const QImage &i) { return i.convertToFormat(QImage::Format_Mono); }},
        Lossless{"bmp_16_bit", "a.bmp", [](const QImage &i) { return test::MakeBmp(i, 16, false); },
                 Bits555},
        Lossless{"bmp_top_down", "a.bmp",
                 [](const QImage &i) { return test::MakeBmp(i, 24, true); }},
        Lossless{"upper_case_name", "PHOTO.PNG", [](const QImage &i) { return Encode(i, "png"); }},
        Lossless{"named_by_another_format", "really_a_png.jpg",
                 [](const QImage &i) { return Encode(i, "png"); }},
        Lossless{"spaces_and_accents", "mes images/été 2026.png",
                 [](const QImage &i) { return Encode(i, "png"); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PictureSurface, DecodesJpegLikeQtDoes)
{
    TempDir dir;
    const QString path = dir.path("photo.jpg");
    WriteBytes(path, Encode(Pattern(40, 30), "jpg", 90));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(path).ok());
    ExpectPixels(surface, QImage(path));
}

// Straight alpha a over white, per channel: (c * a + 255 * (255 - a) + 127) / 255.
TEST(PictureSurface, LaysTransparencyOverWhite)
{
    const int alphas[] = {0, 1, 64, 127, 128, 200, 254, 255};
    QImage picture(std::size(alphas), 2, QImage::Format_ARGB32);
    for (int x = 0; x < int(std::size(alphas)); ++x) {
        picture.setPixel(x, 0, qRgba(200, 100, 0, alphas[x]));
        picture.setPixel(x, 1, qRgba(0, 50, 255, alphas[x]));
    }
    TempDir dir;
    WriteBytes(dir.path("alpha.png"), Encode(picture, "png"));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("alpha.png")).ok());
    for (int x = 0; x < int(std::size(alphas)); ++x) {
        const int a = alphas[x];
        auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
        EXPECT_EQ(surface.PixelColour(x, 0), Colour(over(200), over(100), over(0)))
            << "alpha " << a;
        EXPECT_EQ(surface.PixelColour(x, 1), Colour(over(0), over(50), over(255))) << "alpha " << a;
    }
}

TEST(PictureSurface, PaletteTransparencyBecomesWhite)
{
    QImage picture(2, 1, QImage::Format_Indexed8);
    picture.setColorTable({qRgba(10, 20, 30, 255), qRgba(90, 0, 90, 0)});
    picture.setPixel(0, 0, 0);
    picture.setPixel(1, 0, 1);
    TempDir dir;
    WriteBytes(dir.path("palette.png"), Encode(picture, "png"));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("palette.png")).ok());
    EXPECT_EQ(surface.PixelColour(0, 0), Colour(10, 20, 30));
    EXPECT_EQ(surface.PixelColour(1, 0), Colour(255, 255, 255));
}

TEST(PictureSurface, GifGivesItsPaletteAndWhiteWhereTransparent)
{
    // The transparent index holds a strong colour that must not show through.
    const QByteArray gif =
        test::MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}, {{{0, 1, 2, 3, 2, 1}, 3}});
    TempDir dir;
    WriteBytes(dir.path("a.gif"), gif);
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("a.gif")).ok())
        << surface.Load(dir.path("a.gif")).error().toStdString();
    const ColourValue expected[2][3] = {
        {Colour(255, 0, 0), Colour(0, 255, 0), Colour(0, 0, 255)},
        {Colour(255, 255, 255), Colour(0, 0, 255), Colour(0, 255, 0)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(surface.PixelColour(x, y), expected[y][x]) << x << ", " << y;
}

TEST(PictureSurface, AnimatedGifGivesItsFirstFrame)
{
    const QByteArray gif =
        test::MakeGif(2, 1, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, {{{0, 1}}, {{2, 2}}});
    TempDir dir;
    WriteBytes(dir.path("anim.gif"), gif);
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("anim.gif")).ok());
    EXPECT_EQ(surface.PixelColour(0, 0), Colour(255, 0, 0));
    EXPECT_EQ(surface.PixelColour(1, 0), Colour(0, 255, 0));
}

// Run-length data may skip pixels (a delta, an early end of line or of the picture). Those take
// palette entry 0, as in other decoders; Qt by itself would leave whatever memory held there.
TEST(PictureSurface, PixelsThatRunLengthDataSkipsTakeTheFirstColour)
{
    const std::vector<std::uint32_t> palette = {0x123456, 0xFF0000, 0x00FF00};
    const QByteArray runs("\x02\x01"         // bottom row: two of red,
                          "\x00\x02\x01\x01" // a jump one right and one up,
                          "\x01\x02"         // one green,
                          "\x00\x00"         // the end of that row,
                          "\x00\x01",        // and the end of the picture
                          12);
    TempDir dir;
    WriteBytes(dir.path("rle.bmp"), test::MakeRle8Bmp(40, 30, palette, runs));
    PictureSurface surface;
    const Status status = surface.Load(dir.path("rle.bmp"));
    ASSERT_TRUE(status.ok()) << status.error().toStdString();
    QImage expected(40, 30, QImage::Format_RGB32);
    expected.fill(qRgb(0x12, 0x34, 0x56));
    expected.setPixel(0, 29, qRgb(255, 0, 0));
    expected.setPixel(1, 29, qRgb(255, 0, 0));
    expected.setPixel(3, 28, qRgb(0, 255, 0));
    ExpectPixels(surface, expected);
    // The export reads every pixel: a memory checker sees any that were never set.
    EXPECT_EQ(PackColour(surface.PixelColour(39, 0)), PackColour(Colour(0x12, 0x34, 0x56)));
}

TEST(PictureSurface, LoadsFromMemoryAsFromAFile)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.LoadBytes(Encode(Pattern(7, 3), "bmp"), "memory").ok());
    ExpectPixels(surface, Pattern(7, 3));

    const Status status = surface.LoadBytes("GIF89a", "the picture");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(), "Cannot load \"the picture\": picture is cut short");
    EXPECT_EQ(surface.LoadBytes({}, "nothing").error(),
              "Cannot load \"nothing\": empty file, not a picture");
    ExpectPixels(surface, Pattern(7, 3));
}

// A JPEG tagged "rotate 90 degrees clockwise" is exported as viewers show it.
TEST(PictureSurface, AppliesExifOrientation)
{
    QImage picture(32, 16, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    TempDir dir;
    WriteBytes(dir.path("turned.jpg"), test::WithExifOrientation(Encode(picture, "jpg", 95), 6));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("turned.jpg")).ok());
    ASSERT_EQ(surface.Width(), 16);
    ASSERT_EQ(surface.Height(), 32);
    EXPECT_EQ(PackColour(surface.PixelColour(8, 4)), 0xE0);  // the left half, red, is on top
    EXPECT_EQ(PackColour(surface.PixelColour(8, 28)), 0x03); // the right half, blue, below
}

struct BadPicture
{
    const char *name;
    std::function<void(const QString &path)> make; // writes the bad input at `path`
    const char *reason;
};

void PrintTo(const BadPicture &param, std::ostream *out)
{
    *out << param.name;
}

class BadPictures : public testing::TestWithParam<BadPicture>
{
};

TEST_P(BadPictures, AreRefusedAndKeepThePreviousPicture)
{
    TempDir dir;
    WriteBytes(dir.path("good.png"), Encode(Pattern(5, 4), "png"));
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("good.png")).ok());

    const QString path = dir.path("bad input.png");
    GetParam().make(path);
    const Status status = surface.Load(path);

    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains(path)) << status.error().toStdString();
    EXPECT_TRUE(status.error().contains(GetParam().reason)) << status.error().toStdString();
    ExpectPixels(surface, Pattern(5, 4));
}

constexpr const char *kBmpHeader = "a BMP whose header is damaged or of a kind that cannot be read";

std::function<void(const QString &)> Bytes(QByteArray bytes)
{
    return [bytes](const QString &path) { WriteBytes(path, bytes); };
}

using test::BmpWith;
using test::kBmpCompression, test::kBmpDataOffset, test::kBmpHeaderSize, test::kBmpWidth,
    test::kBmpHeight, test::kBmpPlanes, test::kBmpBitsPerPixel;

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadPictures,
    testing::Values(
        BadPicture{"missing_file", [](const QString &) {}, "file not found"},
        BadPicture{"folder", [](const QString &path) { QDir().mkpath(path); }, "folder"},
        BadPicture{"empty_file", Bytes({}), "empty file"},
        BadPicture{"text_file", Bytes("int main() { return 0; }\n"), "not a picture"},
        // Opening a named pipe for reading would wait for a writer forever.
        BadPicture{"named_pipe",
                   [](const QString &path) {
                       ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                   },
                   "not a regular file"},
        BadPicture{"huge_png_header", Bytes(test::PngHeaderOnly(100000, 100000)),
                   "picture too large"},
        // A BMP's header fields taken at face value could make a decoder allocate or read
        // anything; a negative height alone is fine (rows stored top-down).
        BadPicture{"bmp_negative_width", Bytes(BmpWith({{kBmpWidth, -6}})), kBmpHeader},
        BadPicture{"bmp_zero_width", Bytes(BmpWith({{kBmpWidth, 0}})), kBmpHeader},
        BadPicture{"bmp_zero_height", Bytes(BmpWith({{kBmpHeight, 0}})), kBmpHeader},
        BadPicture{"bmp_zero_planes", Bytes(BmpWith({{kBmpPlanes, 0}})), kBmpHeader},
        BadPicture{"bmp_7_bits_a_pixel", Bytes(BmpWith({{kBmpBitsPerPixel, 7}})), kBmpHeader},
        BadPicture{"bmp_64_bits_a_pixel", Bytes(BmpWith({{kBmpBitsPerPixel, 64}})), kBmpHeader},
        BadPicture{"bmp_unknown_compression", Bytes(BmpWith({{kBmpCompression, 99}})), kBmpHeader},
        BadPicture{"bmp_header_size_huge", Bytes(BmpWith({{kBmpHeaderSize, 0xFFFFFFF0}})),
                   kBmpHeader},
        BadPicture{"bmp_cut_in_its_info_header", Bytes(BmpWith({}).left(30)),
                   "picture is cut short"},
        BadPicture{"bmp_data_offset_past_the_end", Bytes(BmpWith({{kBmpDataOffset, 100000}})),
                   "picture is cut short"},
        BadPicture{"bmp_data_offset_4_gb", Bytes(BmpWith({{kBmpDataOffset, 0xFFFFFFF0}})),
                   "picture is cut short"},
        // Qt reads the pixels from the end of the headers when the offset points into them, so
        // that is where the data must fit.
        BadPicture{"bmp_data_offset_zero_and_data_short",
                   Bytes(BmpWith({{kBmpDataOffset, 0}}).chopped(54)), "picture is cut short"},
        BadPicture{"bmp_width_times_height_overflows",
                   Bytes(BmpWith({{kBmpWidth, 65536}, {kBmpHeight, 65536}})),
                   "picture too large (65536 x 65536 pixels"},
        BadPicture{"bmp_largest_width_and_height",
                   Bytes(BmpWith({{kBmpWidth, 0x7FFFFFFF}, {kBmpHeight, 0x7FFFFFFF}})),
                   "picture too large (2147483647 x 2147483647 pixels"},
        BadPicture{"bmp_most_negative_height", Bytes(BmpWith({{kBmpHeight, 0x80000000}})),
                   "picture too large (6 x 2147483648 pixels"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PictureSurface, RefusesHugeHeadersWithoutDecoding)
{
    TempDir dir;
    WriteBytes(dir.path("huge.png"), test::PngHeaderOnly(100000, 100000));
    PictureSurface surface;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(surface.Load(dir.path("huge.png")).ok());
    EXPECT_LT(timer.elapsed(), 5000); // a decode of 10^10 pixels would take minutes, or die
}

TEST(PictureSurface, RefusesPicturesAboveItsLimit)
{
    TempDir dir;
    WriteBytes(dir.path("a.bmp"), Encode(Pattern(11, 10), "bmp"));
    PictureSurface surface;
    surface.SetMaxPixels(109);
    const Status status = surface.Load(dir.path("a.bmp"));
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains("picture too large (11 x 10 pixels"))
        << status.error().toStdString();
    surface.SetMaxPixels(110);
    EXPECT_TRUE(surface.Load(dir.path("a.bmp")).ok());
}

// A 16384 x 16384 picture is above Qt's default allocation limit and must still load.
TEST(PictureSurface, LoadsA16384SquarePicture)
{
    QImage picture(16384, 16384, QImage::Format_Mono);
    picture.fill(0);
    picture.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    picture.setPixel(16383, 16383, 1);
    TempDir dir;
    ASSERT_TRUE(picture.save(dir.path("big.bmp"), "bmp"));
    picture = QImage();
    PictureSurface surface;
    const Status status = surface.Load(dir.path("big.bmp"));
    ASSERT_TRUE(status.ok()) << status.error().toStdString();
    EXPECT_EQ(surface.Width(), 16384);
    EXPECT_EQ(surface.PixelColour(16383, 16383), Colour(255, 255, 255));
    EXPECT_EQ(surface.PixelColour(0, 16383), Colour(0, 0, 0));
}

// Qt's decoders fill a cut-short file with made-up pixels and call it a success.
struct CutShort
{
    const char *format;
    QByteArray bytes;
};

void PrintTo(const CutShort &param, std::ostream *out)
{
    *out << param.format;
}

class CutShortPictures : public testing::TestWithParam<std::tuple<CutShort, double>>
{
};

TEST_P(CutShortPictures, AreRefused)
{
    const auto &[picture, fraction] = GetParam();
    const QByteArray whole = picture.bytes;
    // Keep at least the first 40 bytes: shorter files are not yet recognisable as pictures.
    const qsizetype keep = std::max<qsizetype>(40, qsizetype(whole.size() * fraction));
    ASSERT_LT(keep, whole.size());

    TempDir dir;
    const QString path = dir.path(QStringLiteral("cut.%1").arg(picture.format));
    WriteBytes(path, whole.left(keep));
    PictureSurface surface;
    const Status status = surface.Load(path);
    ASSERT_FALSE(status.ok()) << picture.format << " kept " << keep << " of " << whole.size();
    EXPECT_TRUE(status.error().contains("picture is cut short")) << status.error().toStdString();
}

std::vector<CutShort> WholePictures()
{
    std::vector<CutShort> pictures;
    for (const char *format : {"png", "jpg", "bmp", "gif"})
        pictures.push_back({format, test::WholePicture(format)});
    return pictures;
}

INSTANTIATE_TEST_SUITE_P(Formats, CutShortPictures,
                         testing::Combine(testing::ValuesIn(WholePictures()),
                                          testing::Values(0.2, 0.5, 0.9, 0.99)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).format) + "_at_" +
                                    std::to_string(int(std::get<1>(info.param) * 100)) + "pc";
                         });

// The last byte of the picture's data missing; a GIF's last byte is its trailer, which comes
// after the frame, so there the frame's closing byte goes too.
TEST(CutShortPictures, LastByteMissing)
{
    for (const CutShort &picture : WholePictures()) {
        TempDir dir;
        const QString path = dir.path(QStringLiteral("cut.%1").arg(picture.format));
        WriteBytes(path, picture.bytes.chopped(picture.format == QByteArray("gif") ? 2 : 1));
        PictureSurface surface;
        EXPECT_FALSE(surface.Load(path).ok()) << picture.format;
        WriteBytes(path, picture.bytes);
        EXPECT_TRUE(surface.Load(path).ok()) << picture.format;
    }
}

// Every cut within the first bytes, where the headers are, is refused with a reason: never a
// crash, never a made-up picture, and the previous picture stays.
TEST(CutShortPictures, CutInTheHeaders)
{
    const QImage earlier = Pattern(5, 4);
    for (const CutShort &picture : WholePictures()) {
        for (qsizetype keep = 1; keep <= 128; ++keep) {
            PictureSurface surface;
            ASSERT_TRUE(surface.SetImage(earlier));
            const Status status = surface.LoadBytes(picture.bytes.left(keep), "cut");
            ASSERT_FALSE(status.ok()) << picture.format << " kept " << keep << " bytes";
            EXPECT_TRUE(status.error().startsWith("Cannot load \"cut\": "))
                << status.error().toStdString();
            ExpectPixels(surface, earlier);
        }
    }
}

} // namespace
} // namespace pixolan
