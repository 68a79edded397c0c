// SPDX-License-Identifier: MIT
#include "convert/read/picture_surface.h"

#include "convert/test_pictures.h"

#include <QFileInfo>
#include <QTransform>

#include <gtest/gtest.h>

#include <functional>

namespace pixolan {
namespace {

using test::Encode;
using test::Indexed;
using test::Pattern;
using test::PixelDifferences;
using test::TempDir;

TEST(PictureSurface, IsEmptyBeforeAnyLoad)
{
    const PictureSurface surface;
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Height(), 0);
    EXPECT_TRUE(surface.Image().isNull());
}

// A picture file and the pixels it must load as.
struct Decode
{
    std::string name;
    QString fileName;
    std::function<QByteArray()> bytes;
    std::function<QImage()> expected;
    friend void PrintTo(const Decode &row, std::ostream *out) { *out << row.name; }
};

class DecodesTo : public testing::TestWithParam<Decode>
{
};

TEST_P(DecodesTo, ThesePixels)
{
    TempDir dir;
    const QString path = dir.path(GetParam().fileName);
    ASSERT_TRUE(test::WriteBytes(path, GetParam().bytes()));
    PictureSurface surface;
    const Status status = surface.Load(path);
    ASSERT_TRUE(status.ok()) << status.error().toStdString();
    EXPECT_EQ(PixelDifferences(surface.Image(), GetParam().expected()), "");
}

// The same picture, in each encoding that keeps every colour.
Decode Lossless(const char *name, const char *fileName,
                const std::function<QByteArray(const QImage &)> &encode,
                const std::function<QImage(const QImage &)> &expected = {})
{
    const QImage picture = Pattern(23, 17);
    return {name, fileName, [=] { return encode(picture); },
            [=] { return expected ? expected(picture) : picture; }};
}

QByteArray Png(const QImage &image)
{
    return Encode(image, "png");
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

QImage Grey(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Grayscale8);
}

QImage Mono(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Mono);
}

// `colours` (0xRRGGBB) laid out as `width` x `height`, row by row.
QImage Pixels(int width, int height, const std::vector<QRgb> &colours)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, colours[std::size_t(i)]);
    return image;
}

// Left half red, right half blue.
QImage Halves()
{
    QImage picture(32, 16, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    return picture;
}

constexpr QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// A 16-bit sample as 8 bits (Qt's rounding), and an 8-bit colour with straight alpha over white.
int Reduce16(int v)
{
    return (v * 255 + 32767) / 65535;
}
QRgb OverWhite(int r, int g, int b, int a)
{
    auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(over(r), over(g), over(b));
}

// 16-bit RGB samples around the transparent colour 0x1234 0x5678 0x9ABC: equal to it, off by one
// in one channel, and values where the reduction to 8 bits rounds up or down; 4 x 2 pixels.
const std::vector<std::uint16_t> kRgb16 = {
    0x1234, 0x5678, 0x9ABC, 0x1234, 0x5678, 0x9ABD, 0x1235, 0x5678, 0x9ABC, 0x807F, 0x8080, 0xFFFF,
    0x0000, 0x0080, 0x0081, 0x1234, 0x5678, 0x9ABC, 0xFF7F, 0xFF80, 0x7FFF, 0x0101, 0x0202, 0x0303};
const QByteArray kKey = test::PngChunk("tRNS", QByteArray("\x12\x34\x56\x78\x9A\xBC", 6));

QImage Rgb16Expected()
{
    std::vector<QRgb> pixels;
    for (std::size_t i = 0; i < kRgb16.size(); i += 3)
        pixels.push_back(
            kRgb16[i] == 0x1234 && kRgb16[i + 1] == 0x5678 && kRgb16[i + 2] == 0x9ABC
                ? kWhite
                : qRgb(Reduce16(kRgb16[i]), Reduce16(kRgb16[i + 1]), Reduce16(kRgb16[i + 2])));
    return Pixels(4, 2, pixels);
}

// A picture that Qt 6.4 reads wrongly by itself, and the pixels it must load as.
Decode Odd(const char *name, std::function<QByteArray()> bytes, int width, int height,
           std::vector<QRgb> pixels)
{
    return {name, "odd.png", std::move(bytes), [=] { return Pixels(width, height, pixels); }};
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DecodesTo,
    testing::Values(
        Lossless("png_rgb", "a.png", Png),
        Lossless(
            "png_palette", "a.png", [](const QImage &i) { return Png(Indexed(i)); }, Indexed),
        Lossless(
            "png_grey", "a.png", [](const QImage &i) { return Png(Grey(i)); }, Grey),
        Lossless("png_16_bit", "a.png",
                 [](const QImage &i) { return Png(i.convertToFormat(QImage::Format_RGBX64)); }),
        Lossless("png_interlaced", "a.png", test::MakeInterlacedPng),
        Lossless("bmp_24_bit", "a.bmp", [](const QImage &i) { return Encode(i, "bmp"); }),
        Lossless(
            "bmp_8_bit", "a.bmp", [](const QImage &i) { return Encode(Indexed(i), "bmp"); },
            Indexed),
        Lossless(
            "bmp_1_bit", "a.bmp", [](const QImage &i) { return Encode(Mono(i), "bmp"); }, Mono),
        Lossless(
            "bmp_16_bit", "a.bmp", [](const QImage &i) { return test::MakeBmp(i, 16, false); },
            Bits555),
        Lossless("bmp_top_down", "a.bmp",
                 [](const QImage &i) { return test::MakeBmp(i, 24, true); }),
        Lossless(
            "bmp_os2_header", "a.bmp", [](const QImage &i) { return test::MakeOs2Bmp(Indexed(i)); },
            Indexed),
        Lossless("upper_case_name", "PHOTO.PNG", Png),
        Lossless("named_by_another_format", "really_a_png.jpg", Png),
        Lossless("spaces_and_accents", "mes images/été 2026.png", Png),
        Decode{"jpg_as_qt_decodes_it", "photo.jpg",
               [] { return Encode(Pattern(40, 30), "jpg", 90); },
               [] { return QImage::fromData(Encode(Pattern(40, 30), "jpg", 90)); }},
        // Tagged "rotate 90 degrees clockwise": exported as viewers show it.
        Decode{"jpg_exif_orientation", "turned.jpg",
               [] { return test::WithExifOrientation(Encode(Halves(), "jpg", 95), 6); },
               [] {
                   return QImage::fromData(Encode(Halves(), "jpg", 95))
                       .transformed(QTransform().rotate(90));
               }},
        // Transparent pixels come out white, whatever colour they hold.
        Decode{"png_palette_transparency", "palette.png",
               [] {
                   QImage picture(2, 1, QImage::Format_Indexed8);
                   picture.setColorTable({qRgba(10, 20, 30, 255), qRgba(90, 0, 90, 0)});
                   picture.setPixel(0, 0, 0);
                   picture.setPixel(1, 0, 1);
                   return Png(picture);
               },
               [] {
                   return Pixels(2, 1, {qRgb(10, 20, 30), kWhite});
               }},
        Decode{"gif_palette_and_transparency", "a.gif",
               [] {
                   return test::MakeGif(3, 2, {kRed, kGreen, kBlue, 0x123456},
                                        {{{0, 1, 2, 3, 2, 1}, 3}});
               },
               [] {
                   return Pixels(3, 2, {kRed, kGreen, kBlue, kWhite, kBlue, kGreen});
               }},
        Decode{"gif_animation_gives_its_first_frame", "anim.gif",
               [] {
                   return test::MakeGif(2, 1, {kRed, kGreen, kBlue, kWhite}, {{{0, 1}}, {{2, 2}}});
               },
               [] {
                   return Pixels(2, 1, {kRed, kGreen});
               }},
        // Run-length data may skip pixels (a delta, an early end of line or of the picture).
        // Those take palette entry 0, as in other decoders; Qt by itself would leave whatever
        // memory held there.
        Decode{"bmp_run_length_skipping_pixels", "rle.bmp",
               [] {
                   return test::MakeRleBmp(8, 40, 30, {0x123456, kRed, kGreen},
                                           QByteArray("\x02\x01"         // bottom row: two red,
                                                      "\x00\x02\x01\x01" // one right, one up,
                                                      "\x01\x02"         // one green,
                                                      "\x00\x00"         // end of that row,
                                                      "\x00\x01",        // end of the picture
                                                      12));
               },
               [] {
                   QImage expected(40, 30, QImage::Format_RGB32);
                   expected.fill(0x123456);
                   expected.setPixel(0, 29, kRed);
                   expected.setPixel(1, 29, kRed);
                   expected.setPixel(3, 28, kGreen);
                   return expected;
               }},
        // Literal runs of an odd length are padded to a whole word.
        Decode{"bmp_run_length_8_odd_literal", "rle8.bmp",
               [] {
                   return test::MakeRleBmp(8, 5, 2, {0, kRed, kGreen, kBlue, kWhite},
                                           QByteArray("\x00\x03\x01\x02\x03\x00" // 3 literal
                                                      "\x02\x04\x00\x00"         // 2 white
                                                      "\x05\x01\x00\x01",        // 5 red, end
                                                      14));
               },
               [] {
                   return Pixels(
                       5, 2, {kRed, kRed, kRed, kRed, kRed, kRed, kGreen, kBlue, kWhite, kWhite});
               }},
        Decode{"bmp_run_length_4_odd_literal", "rle4.bmp",
               [] {
                   return test::MakeRleBmp(4, 7, 1,
                                           {0, kRed, kGreen, kBlue, kWhite, 0x808080, 0x123456},
                                           QByteArray("\x00\x05\x12\x34\x50\x00" // 5 literal
                                                      "\x02\x66\x00\x01",        // 2 of 6, end
                                                      10));
               },
               [] {
                   return Pixels(7, 1, {kRed, kGreen, kBlue, kWhite, 0x808080, 0x123456, 0x123456});
               }},
        // 16-bit RGB with a transparent colour: Qt by itself reads the samples four to a pixel.
        Decode{"png_rgb16_transparent_colour", "key.png",
               [] { return test::MakePng(4, 2, 16, 2, kRgb16, kKey); }, Rgb16Expected},
        Decode{"png_rgb16_transparent_colour_interlaced", "key.png",
               [] { return test::MakePng(4, 2, 16, 2, kRgb16, kKey, true); }, Rgb16Expected},
        // libpng takes the first tRNS and ignores a second one.
        Decode{"png_rgb16_second_transparent_colour_ignored", "key.png",
               [] {
                   return test::MakePng(4, 2, 16, 2, kRgb16,
                                        kKey + test::PngChunk("tRNS", QByteArray(6, '\0')));
               },
               Rgb16Expected},
        Odd("png_grey16_transparent_grey",
            [] {
                return test::MakePng(3, 1, 16, 0, {0x1234, 0x1235, 0x8080},
                                     test::PngChunk("tRNS", QByteArray("\x12\x34", 2)));
            },
            3, 1, {kWhite, qRgb(18, 18, 18), qRgb(128, 128, 128)}),
        // Bit-field BMPs with channels wider than 8 bits or alpha narrower: two bits of alpha
        // 0, 1, 2, 3 are 0, 85, 170, 255, and a 1-bit alpha of 1 is opaque.
        Odd("bmp_10_10_10_2",
            [] {
                return test::MakeBitfieldBmp(124, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 4,
                                             1, {0xFFFFFFFF, 0xA0002003, 0x3FF00000, 0x7FFFFC01});
            },
            4, 1, {kWhite, OverWhite(128, 2, 0, 170), kWhite, OverWhite(255, 255, 0, 85)}),
        Odd("bmp_11_11_10_top_down",
            [] {
                return test::MakeBitfieldBmp(40, 32, {0xFFE00000, 0x1FFC00, 0x3FF}, 2, -2,
                                             {0xFFE00000, 0x001FFC00, 0x000003FF, 0x80100200});
            },
            2, 2, {kRed, kGreen, kBlue, qRgb(128, 128, 128)}),
        // Qt reads the pixels from right after the masks when the data offset points into them.
        Odd("bmp_11_11_10_data_offset_inside_the_masks",
            [] {
                QByteArray bmp =
                    test::MakeBitfieldBmp(40, 32, {0xFFE00000, 0x1FFC00, 0x3FF}, 2, -2,
                                          {0xFFE00000, 0x001FFC00, 0x000003FF, 0x80100200});
                bmp[10] = 54; // the data offset, low byte; the masks take bytes 54 to 65
                return bmp;
            },
            2, 2, {kRed, kGreen, kBlue, qRgb(128, 128, 128)}),
        Odd("bmp_3_10_3_in_16_bits",
            [] {
                return test::MakeBitfieldBmp(40, 16, {0xE000, 0x1FF8, 0x7}, 3, 1,
                                             {0xFFFF, 0x4005, 0x1008});
            },
            3, 1, {qRgb(224, 255, 224), qRgb(64, 0, 160), qRgb(0, 128, 0)}),
        // A mask that fills the whole 16-bit pixel; rows of 3 pixels are padded to 8 bytes.
        Odd("bmp_16_bit_red_in_padded_rows",
            [] {
                return test::MakeBitfieldBmp(40, 16, {0xFFFF, 0, 0}, 3, 2,
                                             {0xFFFF, 0x8000, 0x00FF, 0x1234, 0xABCD, 0x0100});
            },
            3, 2, {kRed, qRgb(128, 0, 0), 0, qRgb(18, 0, 0), qRgb(171, 0, 0), qRgb(1, 0, 0)}),
        Odd("bmp_1_5_5_5",
            [] {
                return test::MakeBitfieldBmp(108, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, 3, 1,
                                             {0xFC00, 0x7C00, 0x83E0});
            },
            3, 1, {qRgb(248, 0, 0), kWhite, qRgb(0, 248, 0)}),
        Odd("bmp_4_4_4_4",
            [] {
                return test::MakeBitfieldBmp(124, 16, {0xF00, 0xF0, 0xF, 0xF000}, 3, 1,
                                             {0xF0F0, 0x8F00, 0x000F});
            },
            3, 1, {qRgb(0, 240, 0), OverWhite(240, 0, 0, 136), kWhite})),
    test::RowName);

// A colour channel of n bits becomes its top 8 bits, zeros below, at every width: through Qt up
// to 8 bits, through the loader's own reading above. An alpha channel of n bits scales so that its
// largest value is opaque (a black pixel shows 255 - alpha over white).
TEST(PictureSurface, ReadsBitFieldChannelsOfEveryWidthAlike)
{
    for (int bits = 1; bits <= 16; ++bits) {
        const std::uint32_t values = 1u << bits;
        for (bool alpha : {false, true}) {
            const int shift = alpha ? 16 : 0;
            std::vector<std::uint32_t> pixels;
            for (std::uint32_t v = 0; v < values; ++v)
                pixels.push_back(v << shift);
            const std::uint32_t mask = (values - 1) << shift;
            const QByteArray bmp =
                alpha ? test::MakeBitfieldBmp(124, 32, {0, 0, 0, mask}, int(values), 1, pixels)
                      : test::MakeBitfieldBmp(40, 32, {mask, 0, 0}, int(values), 1, pixels);
            PictureSurface surface;
            ASSERT_TRUE(surface.LoadBytes(bmp, "bits").ok()) << bits;
            for (std::uint32_t v = 0; v < values; ++v) {
                const QRgb got = surface.Row(0)[v];
                if (alpha) {
                    const unsigned a = (v * 255 + (values - 1) / 2) / (values - 1);
                    ASSERT_EQ(qGreen(got), int(255 - a)) << bits << " bits of alpha, " << v;
                } else {
                    const unsigned c = bits <= 8 ? v << (8 - bits) : v >> (bits - 8);
                    ASSERT_EQ(qRed(got), int(c)) << bits << " bits of red, " << v;
                }
            }
        }
    }
}

// Straight alpha a over white, per channel c: (c * a + 255 * (255 - a) + 127) / 255, worked out
// by hand where a slip of the rounding shows in the colour values.
TEST(PictureSurface, LaysTransparencyOverWhite)
{
    struct Over
    {
        QRgb pixel;    // 0xAARRGGBB
        QRgb expected; // on the surface
    };
    const Over cases[] = {
        {qRgba(200, 100, 0, 0), qRgb(255, 255, 255)},   // transparent: white, whatever it holds
        {qRgba(10, 20, 30, 255), qRgb(10, 20, 30)},     // opaque: as it is
        {qRgba(1, 0, 255, 127), qRgb(128, 128, 255)},   // red 128.498 rounds down
        {qRgba(1, 0, 255, 128), qRgb(128, 127, 255)},   // red 127.502 rounds up
        {qRgba(0, 1, 255, 127), qRgb(128, 128, 255)},   // green 128.498 rounds down
        {qRgba(0, 1, 255, 128), qRgb(127, 128, 255)},   // green 127.502 rounds up
        {qRgba(0, 255, 100, 1), qRgb(254, 255, 254)},   // blue 254.392
        {qRgba(100, 50, 254, 64), qRgb(216, 204, 255)}, // 216.098, 203.549, 254.749
        {qRgba(50, 200, 2, 200), qRgb(94, 212, 57)},    // 94.216, 211.863, 56.569
        {qRgba(254, 3, 128, 254), qRgb(254, 4, 128)},   // 254.004, 3.988, 128.498
    };
    QImage picture(int(std::size(cases)), 1, QImage::Format_ARGB32);
    for (int x = 0; x < picture.width(); ++x)
        picture.setPixel(x, 0, cases[x].pixel);
    PictureSurface surface;
    ASSERT_TRUE(surface.LoadBytes(Encode(picture, "png"), "alpha.png").ok());
    for (int x = 0; x < picture.width(); ++x)
        EXPECT_EQ(surface.PixelColour(x, 0), ColourFromRgb(cases[x].expected))
            << "pixel " << x << ": " << std::hex << surface.PixelColour(x, 0);
}

// With alpha kept, the picture's own straight colours and alpha, exactly; a fully transparent
// pixel in the background's colour. Scaled smoothly, a transparent neighbour's colour must not
// bleed into (or darken) an edge; picked pixels keep their values.
TEST(PictureSurface, KeepsStraightAlphaWhenAsked)
{
    QImage picture(4, 1, QImage::Format_ARGB32);
    const QRgb pixels[] = {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 0), qRgba(1, 2, 3, 1),
                           qRgba(200, 100, 50, 128)};
    for (int x = 0; x < 4; ++x)
        picture.setPixel(x, 0, pixels[x]);
    const QByteArray png = Encode(picture, "png");
    const ExportOptions kept{.background = 0xFF123456, .alpha = true};
    const auto load = [&png](const ExportOptions &options) {
        PictureSurface surface;
        EXPECT_TRUE(surface.LoadBytes(png, "alpha.png", options).ok());
        return surface;
    };
    const PictureSurface whole = load(kept);
    const QRgb expected[] = {pixels[0], 0x00123456, pixels[2], pixels[3]};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(whole.Row(0)[x], expected[x]) << "pixel " << x;

    ExportOptions resized = kept;
    resized.size = QSize(2, 1);
    resized.fit = Fit::Stretch;
    const QRgb edge = load(resized).Row(0)[0]; // red beside a transparent green
    EXPECT_EQ(edge & 0xFFFFFFu, 0xFF0000u) << std::hex << edge;
    EXPECT_GT(qAlpha(edge), 0);
    EXPECT_LT(qAlpha(edge), 255);
    resized.size = QSize(8, 1);
    resized.filter = Filter::Nearest;
    const PictureSurface picked = load(resized);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(picked.Row(0)[x], expected[x / 2]) << "pixel " << x;
}

TEST(PictureSurface, LoadsFromMemoryAsFromAFile)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.LoadBytes(Encode(Pattern(7, 3), "bmp"), "memory").ok());
    EXPECT_EQ(PixelDifferences(surface.Image(), Pattern(7, 3)), "");
    EXPECT_EQ(surface.LoadBytes("GIF89a", "the picture").error(),
              "Cannot load \"the picture\": picture is cut short");
}

class BadPictures : public testing::TestWithParam<test::BadPicture>
{
};

// Refused with the file's name and the reason, read from a file or from memory, and the
// previous picture stays.
TEST_P(BadPictures, AreRefusedAndKeepThePreviousPicture)
{
    TempDir dir;
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(Pattern(5, 4)));
    const QString path = dir.path(GetParam().fileName);
    ASSERT_TRUE(GetParam().make(path));

    const Status status = surface.Load(path);
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().startsWith(QStringLiteral("Cannot load \"%1\": ").arg(path)))
        << status.error().toStdString();
    EXPECT_TRUE(status.error().contains(GetParam().reason)) << status.error().toStdString();
    EXPECT_EQ(PixelDifferences(surface.Image(), Pattern(5, 4)), "");

    if (QFileInfo(path).isFile()) {
        const Status fromMemory = surface.LoadBytes(test::ReadBytes(path), path);
        EXPECT_EQ(fromMemory.error(), status.error());
        EXPECT_EQ(PixelDifferences(surface.Image(), Pattern(5, 4)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadPictures, testing::ValuesIn(test::BadPictures()),
                         test::RowName);

TEST(PictureSurface, RefusesPicturesAboveItsLimit)
{
    const QByteArray bmp = Encode(Pattern(11, 10), "bmp");
    PictureSurface surface;
    surface.SetMaxPixels(109);
    const Status status = surface.LoadBytes(bmp, "a.bmp");
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains("picture too large (11 x 10 pixels"))
        << status.error().toStdString();
    surface.SetMaxPixels(110);
    EXPECT_TRUE(surface.LoadBytes(bmp, "a.bmp").ok());
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
    EXPECT_EQ(surface.PixelColour(16383, 16383), 0xFFFFFFu);
    EXPECT_EQ(surface.PixelColour(0, 16383), 0u);
}

// The pictures the cut-short rows cut load when whole.
TEST(CutShortPictures, LoadWhenWhole)
{
    for (const char *format : {"png", "jpg", "gif", "bmp"}) {
        PictureSurface surface;
        const Status status = surface.LoadBytes(test::WholePicture(format), format);
        EXPECT_TRUE(status.ok()) << status.error().toStdString();
    }
}

// Every cut within the first bytes, where the headers are, is refused with a reason: never a
// crash, never a made-up picture, and the previous picture stays.
TEST(CutShortPictures, CutInTheHeaders)
{
    const QImage earlier = Pattern(5, 4);
    for (const char *format : {"png", "jpg", "gif", "bmp"}) {
        const QByteArray whole = test::WholePicture(format);
        for (qsizetype keep = 1; keep <= 128; ++keep) {
            PictureSurface surface;
            ASSERT_TRUE(surface.SetImage(earlier));
            const Status status = surface.LoadBytes(whole.left(keep), "cut");
            ASSERT_FALSE(status.ok()) << format << " kept " << keep << " bytes";
            EXPECT_TRUE(status.error().startsWith("Cannot load \"cut\": "))
                << status.error().toStdString();
            EXPECT_EQ(PixelDifferences(surface.Image(), earlier), "");
        }
    }
}

} // namespace
} // namespace pixolan
