// SPDX-License-Identifier: MIT
#include "convert/preview.h"

#include "convert/picture_surface.h"
#include "convert/test_pictures.h"

#include <QBuffer>
#include <QDir>

#include <gtest/gtest.h>

namespace pixolan {
namespace {

using test::TempDir;

TEST(ExpandChannel, RepeatsTheBitsFromTheTop)
{
    // abc -> abcabcab
    const int threeBits[] = {0x00, 0x24, 0x49, 0x6D, 0x92, 0xB6, 0xDB, 0xFF};
    for (unsigned value = 0; value < 8; ++value)
        EXPECT_EQ(ExpandChannel(value, 3), threeBits[value]) << "3-bit " << value;
    // ab -> abababab
    const int twoBits[] = {0x00, 0x55, 0xAA, 0xFF};
    for (unsigned value = 0; value < 4; ++value)
        EXPECT_EQ(ExpandChannel(value, 2), twoBits[value]) << "2-bit " << value;
    EXPECT_EQ(ExpandChannel(0, 1), 0x00);
    EXPECT_EQ(ExpandChannel(1, 1), 0xFF);
    EXPECT_EQ(ExpandChannel(0x5A, 8), 0x5A);
}

// The preview must show what the array holds: packing a preview colour gives its value back.
TEST(PreviewColour, PacksBackToTheSameValue)
{
    for (int packed = 0; packed < 256; ++packed) {
        const QRgb colour = PreviewColour(std::uint8_t(packed));
        EXPECT_EQ(qAlpha(colour), 255);
        EXPECT_EQ(PackColour(ColourFromRgb(colour)), packed) << packed;
    }
}

// Colours of the picture and, worked out by hand, the colour the display shows for each.
struct Shown
{
    QRgb picture;
    QRgb preview;
};

constexpr Shown kShown[] = {
    {qRgb(255, 255, 255), qRgb(255, 255, 255)}, // 0xFF
    {qRgb(0, 0, 0), qRgb(0, 0, 0)},
    {qRgb(31, 31, 63), qRgb(0, 0, 0)},          // below every first step
    {qRgb(200, 100, 50), qRgb(219, 109, 0)},    // 110 011 00
    {qRgb(128, 128, 128), qRgb(146, 146, 170)}, // 100 100 10
    {qRgb(32, 64, 64), qRgb(36, 73, 85)},       // 001 010 01
    {qRgb(255, 0, 0), qRgb(255, 0, 0)},         // 111 000 00
    {qRgb(10, 250, 190), qRgb(0, 255, 170)},    // 000 111 10
};
constexpr int kShownCount = int(std::size(kShown));

// Two rows: the colours, then the colours in reverse, so a mirrored or swapped row shows.
QImage ShownPicture()
{
    QImage image(kShownCount, 2, QImage::Format_RGB32);
    for (int x = 0; x < kShownCount; ++x) {
        image.setPixel(x, 0, kShown[x].picture);
        image.setPixel(x, 1, kShown[kShownCount - 1 - x].picture);
    }
    return image;
}

void ExpectShown(const QImage &preview)
{
    ASSERT_EQ(preview.size(), QSize(kShownCount, 2));
    for (int x = 0; x < kShownCount; ++x) {
        EXPECT_EQ(preview.pixel(x, 0), kShown[x].preview) << "x " << x;
        EXPECT_EQ(preview.pixel(x, 1), kShown[kShownCount - 1 - x].preview) << "x " << x;
    }
}

TEST(PreviewImage, ShowsEachPixelAsTheDisplayWill)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(ShownPicture()));
    ExpectShown(PreviewImage(surface));
}

TEST(PreviewImage, IsNullForAnEmptySurface)
{
    EXPECT_TRUE(PreviewImage(PictureSurface()).isNull());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const Status status = WritePreview(PictureSurface(), buffer, "memory");
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains("no picture")) << status.error().toStdString();
}

TEST(WritePreviewFile, WritesAPngThatReadsBackAsThePreview)
{
    TempDir dir;
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(ShownPicture()));
    ASSERT_TRUE(WritePreviewFile(surface, dir.path("preview.png")).ok());
    EXPECT_TRUE(test::ReadBytes(dir.path("preview.png")).startsWith("\x89PNG"));
    ExpectShown(QImage(dir.path("preview.png")));
}

TEST(WritePreviewFile, FailureNamesTheFileAndLeavesNothing)
{
    TempDir dir;
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(ShownPicture()));
    const QString path = dir.path("missing/preview.png");
    const Status status = WritePreviewFile(surface, path);
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains(path)) << status.error().toStdString();
    EXPECT_TRUE(dir.entries().isEmpty());
    EXPECT_FALSE(WritePreviewFile(surface, QString()).ok());
}

} // namespace
} // namespace pixolan
