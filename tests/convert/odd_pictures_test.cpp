// SPDX-License-Identifier: MIT
// Pictures that Qt 6.4 decodes wrongly by itself: 16-bit RGB PNGs with a transparent colour,
// bit-field BMPs with wide or narrow-alpha masks, damaged PNGs and short palettes. Each is read to
// exactly the expected pixels or refused with exactly the expected reason.
#include "convert/picture_surface.h"

#include "convert/test_pictures.h"

#include <gtest/gtest.h>

#include <functional>

namespace pixolan {
namespace {

using test::MakeBitfieldBmp;
using test::MakePng;

// A 16-bit sample as 8 bits, and an 8-bit colour with straight alpha over white.
int Reduce16(int v)
{
    return (v * 255 + 32767) / 65535;
}
int Over(int c, int a)
{
    return (c * a + 255 * (255 - a) + 127) / 255;
}
QRgb OverWhite(int r, int g, int b, int a)
{
    return qRgb(Over(r, a), Over(g, a), Over(b, a));
}

// 16-bit RGB samples around the transparent colour 0x1234 0x5678 0x9ABC: equal to it, off by one
// in one channel, and values where the reduction to 8 bits rounds up or down.
const std::vector<std::uint16_t> kRgb16 = {
    0x1234, 0x5678, 0x9ABC, 0x1234, 0x5678, 0x9ABD, 0x1235, 0x5678, 0x9ABC, 0x807F, 0x8080, 0xFFFF,
    0x0000, 0x0080, 0x0081, 0x1234, 0x5678, 0x9ABC, 0xFF7F, 0xFF80, 0x7FFF, 0x0101, 0x0202, 0x0303};
const QByteArray kKey = test::PngChunk("tRNS", QByteArray("\x12\x34\x56\x78\x9A\xBC", 6));

std::vector<QRgb> Rgb16Expected()
{
    std::vector<QRgb> pixels;
    for (std::size_t i = 0; i < kRgb16.size(); i += 3)
        pixels.push_back(
            kRgb16[i] == 0x1234 && kRgb16[i + 1] == 0x5678 && kRgb16[i + 2] == 0x9ABC
                ? qRgb(255, 255, 255)
                : qRgb(Reduce16(kRgb16[i]), Reduce16(kRgb16[i + 1]), Reduce16(kRgb16[i + 2])));
    return pixels;
}

struct Decoded
{
    const char *name;
    std::function<QByteArray()> bytes;
    std::vector<QRgb> pixels; // row by row
};

void PrintTo(const Decoded &param, std::ostream *out)
{
    *out << param.name;
}

class OddPictures : public testing::TestWithParam<Decoded>
{
};

TEST_P(OddPictures, DecodeToExactlyThesePixels)
{
    PictureSurface surface;
    const Status status = surface.LoadBytes(GetParam().bytes(), "odd");
    ASSERT_TRUE(status.ok()) << status.error().toStdString();
    ASSERT_EQ(std::size_t(surface.Width()) * surface.Height(), GetParam().pixels.size());
    for (int i = 0; i < int(GetParam().pixels.size()); ++i)
        EXPECT_EQ(surface.Row(i / surface.Width())[i % surface.Width()] | 0xFF000000u,
                  GetParam().pixels[std::size_t(i)])
            << "pixel " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, OddPictures,
    testing::Values(
        Decoded{"png_rgb16_transparent_colour", [] { return MakePng(4, 2, 16, 2, kRgb16, kKey); },
                Rgb16Expected()},
        Decoded{"png_rgb16_transparent_colour_interlaced",
                [] { return MakePng(4, 2, 16, 2, kRgb16, kKey, true); }, Rgb16Expected()},
        // libpng takes the first tRNS and ignores a second one; the second must not apply.
        Decoded{"png_rgb16_second_transparent_colour_ignored",
                [] {
                    return MakePng(4, 2, 16, 2, kRgb16,
                                   kKey + test::PngChunk("tRNS", QByteArray(6, '\0')));
                },
                Rgb16Expected()},
        Decoded{"png_grey16_transparent_grey",
                [] {
                    return MakePng(3, 1, 16, 0, {0x1234, 0x1235, 0x8080},
                                   test::PngChunk("tRNS", QByteArray("\x12\x34", 2)));
                },
                {qRgb(255, 255, 255), qRgb(18, 18, 18), qRgb(128, 128, 128)}},
        // Two bits of alpha: 0, 1, 2, 3 are 0, 85, 170, 255.
        Decoded{"bmp_10_10_10_2",
                [] {
                    return MakeBitfieldBmp(124, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 4, 1,
                                           {0xFFFFFFFF, 0xA0002003, 0x3FF00000, 0x7FFFFC01});
                },
                {qRgb(255, 255, 255), OverWhite(128, 2, 0, 170), qRgb(255, 255, 255),
                 OverWhite(255, 255, 0, 85)}},
        Decoded{"bmp_11_11_10_top_down",
                [] {
                    return MakeBitfieldBmp(40, 32, {0xFFE00000, 0x1FFC00, 0x3FF}, 2, -2,
                                           {0xFFE00000, 0x001FFC00, 0x000003FF, 0x80100200});
                },
                {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(128, 128, 128)}},
        Decoded{"bmp_3_10_3_in_16_bits",
                [] {
                    return MakeBitfieldBmp(40, 16, {0xE000, 0x1FF8, 0x7}, 3, 1,
                                           {0xFFFF, 0x4005, 0x1008});
                },
                {qRgb(224, 255, 224), qRgb(64, 0, 160), qRgb(0, 128, 0)}},
        // A 1-bit alpha of 1 is opaque, of 0 fully transparent.
        Decoded{"bmp_1_5_5_5",
                [] {
                    return MakeBitfieldBmp(108, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, 3, 1,
                                           {0xFC00, 0x7C00, 0x83E0});
                },
                {qRgb(248, 0, 0), qRgb(255, 255, 255), qRgb(0, 248, 0)}},
        Decoded{"bmp_4_4_4_4",
                [] {
                    return MakeBitfieldBmp(124, 16, {0xF00, 0xF0, 0xF, 0xF000}, 3, 1,
                                           {0xF0F0, 0x8F00, 0x000F});
                },
                {qRgb(0, 240, 0), OverWhite(240, 0, 0, 136), qRgb(255, 255, 255)}}),
    [](const auto &info) { return std::string(info.param.name); });

// A colour channel of n bits becomes its top 8 bits, zeros below, at every width: through Qt up
// to 8 bits, through the loader's own reading above. An alpha channel of n bits scales so that its
// largest value is opaque (a black pixel shows 255 - alpha over white).
TEST(OddPictures, ChannelsOfEveryWidthScaleAlike)
{
    for (int bits = 1; bits <= 16; ++bits) {
        const std::uint32_t values = 1u << bits;
        std::vector<std::uint32_t> pixels;
        for (std::uint32_t v = 0; v < values; ++v)
            pixels.push_back(v);
        for (bool alpha : {false, true}) {
            const std::uint32_t mask = (values - 1) << (alpha ? 16 : 0);
            std::vector<std::uint32_t> shifted = pixels;
            for (std::uint32_t &p : shifted)
                p <<= alpha ? 16 : 0;
            PictureSurface surface;
            const QByteArray bmp =
                alpha ? MakeBitfieldBmp(124, 32, {0, 0, 0, mask}, int(values), 1, shifted)
                      : MakeBitfieldBmp(40, 32, {mask, 0, 0}, int(values), 1, shifted);
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

struct Refused
{
    const char *name;
    std::function<QByteArray()> bytes;
    const char *reason;
};

void PrintTo(const Refused &param, std::ostream *out)
{
    *out << param.name;
}

class OddRefusals : public testing::TestWithParam<Refused>
{
};

TEST_P(OddRefusals, AreRefusedWithExactlyThisReason)
{
    PictureSurface surface;
    EXPECT_EQ(surface.LoadBytes(GetParam().bytes(), "odd").error().toStdString(),
              std::string("Cannot load \"odd\": ") + GetParam().reason);
}

std::function<QByteArray()> Damaged(test::PngDamage damage)
{
    return [damage] { return test::DamagedPng(damage); };
}

std::function<QByteArray()> Masks(int bits, std::vector<std::uint32_t> masks)
{
    return [=] { return MakeBitfieldBmp(124, bits, masks, 2, 1, {0x1234, 0xFFFF}); };
}

INSTANTIATE_TEST_SUITE_P(
    Classes, OddRefusals,
    testing::Values(
        Refused{"png_bad_crc_in_idat", Damaged(test::PngDamage::IdatCrc),
                "not a picture, or a damaged one (bad CRC in IDAT)"},
        Refused{"png_bad_crc_in_ihdr", Damaged(test::PngDamage::IhdrCrc),
                "not a picture, or a damaged one (bad CRC in IHDR)"},
        Refused{"png_bad_adler_checksum", Damaged(test::PngDamage::AdlerChecksum),
                "not a picture, or a damaged one (IDAT: incorrect data check)"},
        Refused{"png_bad_zlib_header", Damaged(test::PngDamage::ZlibHeader),
                "not a picture, or a damaged one (IDAT: incorrect header check)"},
        Refused{"png_bit_depth_3", Damaged(test::PngDamage::BitDepth3),
                "not a picture, or a damaged one (Invalid IHDR data)"},
        Refused{"png_chunk_length_past_the_end", Damaged(test::PngDamage::LengthPastEnd),
                "not a picture, or a damaged one (a chunk's length runs past the end of the file)"},
        Refused{"bmp_masks_overlap", Masks(16, {0xFF00, 0x0FF0, 0x000F, 0}),
                "a BMP whose red and green masks overlap"},
        Refused{"bmp_alpha_overlaps_blue", Masks(32, {0xFF0000, 0xFF00, 0xFF, 0x3}),
                "a BMP whose blue and alpha masks overlap"},
        Refused{"bmp_mask_with_gaps", Masks(16, {0xF00F, 0x0F0, 0, 0}),
                "a BMP whose red mask (0xf00f) has gaps"},
        Refused{"bmp_mask_wider_than_16_bits", Masks(32, {0xFFFFF000, 0xF00, 0xFF, 0}),
                "a BMP whose red mask (0xfffff000) is wider than 16 bits"},
        Refused{"bmp_mask_outside_16_bit_pixels", Masks(16, {0xF800, 0x7E0, 0x1F, 0x10000}),
                "a BMP whose alpha mask (0x10000) lies outside its 16-bit pixels"},
        Refused{"os2_bmp_short_palette", [] { return test::ShortPaletteBmp(12, 4, 5, 3); },
                "a BMP whose palette is shorter than its header says (4 of 256 colours)"},
        Refused{"bmp_short_palette", [] { return test::ShortPaletteBmp(40, 16, 5, 3); },
                "a BMP whose palette is shorter than its header says (16 of 256 colours)"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace pixolan
