// SPDX-License-Identifier: MIT
// Frames of animations, tiles of sheets, and pictures turned and mirrored for their panel.
#include "convert/read/picture_sequence.h"

#include "convert/test_pictures.h"
#include "convert/write/array_writer.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace pixolan {
namespace {

using test::Encode;
using test::TempDir;
using test::WriteBytes;

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;

QByteArray Written(PictureSequence &pictures, const ExportOptions &options = {})
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    const Status status = WriteArray(pictures, buffer, QStringLiteral("memory"), options);
    EXPECT_TRUE(status.ok()) << status.error().toStdString();
    return text;
}

// A 2 x 2 animation over red, green, blue and white (palette 0-3, the background red):
//  0  the whole canvas, R G / B W, 100 ms, kept;
//  1  blue at the top left, 20 ms, then restored to the background (Qt's: red);
//  2  white at the top right, 10 ms (shown as 100 ms), then restored to what was before;
//  3  the bottom row red and transparent (what was there shows through), no delay (100 ms).
std::vector<test::GifFrame> Animation()
{
    return {{{0, 1, 2, 3}, -1, 10, 1},
            {{2}, -1, 2, 2, QRect(0, 0, 1, 1)},
            {{3}, -1, 1, 3, QRect(1, 0, 1, 1)},
            {{0, 3}, 3, 0, 0, QRect(0, 1, 2, 1)}};
}
const std::vector<std::uint32_t> kPalette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

TEST(Frames, AreEachCanvasAfterItsFrameWithItsDelay)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("a.gif"), test::MakeGif(2, 2, kPalette, Animation())));
    PictureSequence frames;
    ASSERT_TRUE(frames.OpenFrames(dir.path("a.gif"), {}).ok());
    EXPECT_EQ(Written(frames), "#include <stdint.h>\r\n\r\nconst int8 array[] = {\r\n"
                               "/* frame 0: 100 ms */\r\n0xE0, 0x1C, \r\n\r\n0x3, 0xFF, \r\n\r\n"
                               "/* frame 1: 20 ms */\r\n0x3, 0x1C, \r\n\r\n0x3, 0xFF, \r\n\r\n"
                               "/* frame 2: 100 ms */\r\n0xE0, 0xFF, \r\n\r\n0x3, 0xFF, \r\n\r\n"
                               "/* frame 3: 100 ms */\r\n0xE0, 0x1C, \r\n\r\n0xE0, 0xFF, \r\n\r\n"
                               "};\r\n\r\nconst uint16_t array_delays[] = {\r\n"
                               "100, 20, 100, 100, \r\n};\r\n");
    // Written a second time (the preview does), the frames are read again from the first.
    EXPECT_EQ(Written(frames, {.binary = true}),
              QByteArray::fromHex("e01c03ff031c03ffe0ff03ffe01ce0ff"));
}

TEST(Frames, OfACutOrStillPicture)
{
    TempDir dir;
    const QByteArray two = test::MakeGif(2, 2, kPalette, {Animation()[0], Animation()[1]});
    const QByteArray three =
        test::MakeGif(2, 2, kPalette, {Animation()[0], Animation()[1], Animation()[2]});
    // Cut in the third frame's image descriptor, after two whole frames; and without its trailer.
    for (const qsizetype cut : {two.size() - 1 + 12, three.size() - 1}) {
        ASSERT_TRUE(WriteBytes(dir.path("cut.gif"), three.left(cut)));
        PictureSequence frames;
        const Status status = frames.OpenFrames(dir.path("cut.gif"), {});
        EXPECT_EQ(status.error(),
                  "Cannot load \"" + dir.path("cut.gif") + "\": picture is cut short");
    }
    ASSERT_TRUE(WriteBytes(dir.path("still.png"), Encode(test::Pattern(3, 2), "png")));
    PictureSequence frames;
    ASSERT_TRUE(frames.OpenFrames(dir.path("still.png"), {}).ok());
    EXPECT_EQ(frames.Count(), 1);
    EXPECT_TRUE(Written(frames).contains("const int8 array[] = {\r\n/* frame 0: 0 ms */\r\n0x"));
}

TEST(Tiles, RunLeftToRightThenDownAndMustDivideThePicture)
{
    // Six tiles of 2 x 1 in two rows, each of its own colour.
    const QRgb colours[] = {R, G, B, W, K, 0xFF808080};
    QImage sheet(6, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            sheet.setPixel(x, y, colours[y * 3 + x / 2]);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("sheet.png"), Encode(sheet, "png")));
    PictureSequence tiles;
    ASSERT_TRUE(tiles.OpenTiles(dir.path("sheet.png"), QSize(2, 1), {}).ok());
    EXPECT_EQ(Written(tiles, {.binary = true}), QByteArray::fromHex("e0e01c1c0303ffff00009292"));
    // Turned first, the sheet is 2 x 6: three tiles of 2 x 2, each two former tiles side by side.
    ASSERT_TRUE(tiles.OpenTiles(dir.path("sheet.png"), QSize(2, 2), {.rotate = 90}).ok());
    EXPECT_EQ(Written(tiles, {.binary = true}), QByteArray::fromHex("ffe0ffe0001c001c92039203"));

    PictureSequence refused;
    EXPECT_EQ(refused.OpenTiles(dir.path("sheet.png"), QSize(4, 1), {}).error(),
              "Cannot load \"" + dir.path("sheet.png") +
                  "\": the picture, 6 x 2 pixels, is not a whole number of 4 x 1 tiles");
}

struct Orientation
{
    std::string name;
    ExportOptions options;
    std::vector<std::vector<QRgb>> rows;
    friend void PrintTo(const Orientation &row, std::ostream *out) { *out << row.name; }
};

class Orientations : public testing::TestWithParam<Orientation>
{
};

// R G B over W K B, turned clockwise and then mirrored.
TEST_P(Orientations, TurnThenMirrorThenResize)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb pixels[2][3] = {{R, G, B}, {W, K, B}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            picture.setPixel(x, y, pixels[y][x]);
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(picture, GetParam().options));
    std::vector<std::vector<QRgb>> rows(std::size_t(surface.Height()));
    for (int y = 0; y < surface.Height(); ++y)
        rows[std::size_t(y)].assign(surface.Row(y), surface.Row(y) + surface.Width());
    EXPECT_EQ(rows, GetParam().rows);
}

using enum Flip;
INSTANTIATE_TEST_SUITE_P(
    HandWorked, Orientations,
    testing::Values(
        Orientation{"as_it_is", {}, {{R, G, B}, {W, K, B}}},
        Orientation{"rotate_90", {.rotate = 90}, {{W, R}, {K, G}, {B, B}}},
        Orientation{"rotate_180", {.rotate = 180}, {{B, K, W}, {B, G, R}}},
        Orientation{"rotate_270", {.rotate = 270}, {{B, B}, {G, K}, {R, W}}},
        Orientation{"flip_horizontal", {.flip = Horizontal}, {{B, G, R}, {B, K, W}}},
        Orientation{"flip_vertical", {.flip = Vertical}, {{W, K, B}, {R, G, B}}},
        Orientation{"rotate_90_flip_horizontal",
                    {.rotate = 90, .flip = Horizontal},
                    {{R, W}, {G, K}, {B, B}}},
        Orientation{
            "rotate_90_flip_vertical", {.rotate = 90, .flip = Vertical}, {{B, B}, {K, G}, {W, R}}},
        Orientation{"rotate_270_flip_horizontal",
                    {.rotate = 270, .flip = Horizontal},
                    {{B, B}, {K, G}, {W, R}}},
        // The size names the turned picture: 2 x 3 becomes 4 x 3, each pixel doubled across.
        Orientation{
            "rotate_90_then_resize",
            {.rotate = 90, .size = QSize(4, 3), .fit = Fit::Stretch, .filter = Filter::Nearest},
            {{W, W, R, R}, {K, K, G, G}, {B, B, B, B}}}),
    test::RowName);

// The frames' header declares the delays; array and header compile together as C and C++.
TEST(Frames, ArrayAndHeaderCompileAsCAndCxx)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("a.gif"), test::MakeGif(2, 2, kPalette, Animation())));
    ASSERT_TRUE(WriteBytes(dir.path("int8.h"), "typedef unsigned char int8;\n"));
    for (const PixelFormat format : {PixelFormat::Rgb332, PixelFormat::Mono}) {
        PictureSequence frames;
        ASSERT_TRUE(frames.OpenFrames(dir.path("a.gif"), {}).ok());
        const ExportOptions options{.name = "spin", .format = format};
        ASSERT_TRUE(
            WriteArrayAndHeaderFiles(frames, dir.path("spin.c"), dir.path("spin.h"), options).ok());
        EXPECT_TRUE(test::ReadBytes(dir.path("spin.h"))
                        .contains("#define SPIN_FRAMES 4\r\n#define SPIN_FRAME_SIZE "));
        EXPECT_EQ(test::CompileErrors(dir.path("spin.c"), {dir.path("int8.h"), dir.path("spin.h")}),
                  "");
    }
}

} // namespace
} // namespace pixolan
