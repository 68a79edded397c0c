// SPDX-License-Identifier: MIT
#include "convert/write/preview.h"

#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace pixolan {
namespace {

using test::PixelDifferences;
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

PictureSurface Shown()
{
    PictureSurface surface;
    EXPECT_TRUE(surface.SetImage(test::ShownPicture()));
    return surface;
}

TEST(PreviewImage, ShowsEachPixelAsTheDisplayWill)
{
    EXPECT_EQ(PixelDifferences(PreviewImage(Shown()), test::ShownPreview()), "");
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
    ASSERT_TRUE(WritePreviewFile(Shown(), dir.path("preview.png")).ok());
    EXPECT_TRUE(test::ReadBytes(dir.path("preview.png")).startsWith("\x89PNG"));
    EXPECT_EQ(PixelDifferences(QImage(dir.path("preview.png")), test::ShownPreview()), "");
}

// An image that keeps its alpha is shown laid over the background: transparent, half and a
// quarter of the colours RGB565 shows (red 255; grey 128 as 0x84, 0x82, 0x84) over black.
TEST(PreviewImage, LaysAnImageWithAlphaOverTheBackground)
{
    QImage picture(3, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, 0x00FFFFFF);
    picture.setPixel(1, 0, 0x80FF0000);
    picture.setPixel(2, 0, 0x40808080);
    const ExportOptions options{
        .background = 0xFF000000, .format = PixelFormat::Rgb565, .lvgl = 9, .alpha = true};
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(picture, options));
    const QImage shown = PreviewImage(surface, options);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(128, 0, 0));  // 255 x 128 / 255
    EXPECT_EQ(shown.pixel(2, 0), qRgb(33, 33, 33)); // 132 x 64 / 255 = 33.1, 130 x 64 / 255 = 32.6
}

// A failure names the file; an earlier file stays byte for byte and nothing else is left.
TEST(WritePreviewFile, FailureNamesTheFileAndKeepsTheEarlierOne)
{
    TempDir dir;
    const QString missing = dir.path("missing/preview.png");
    Status status = WritePreviewFile(Shown(), missing);
    EXPECT_TRUE(status.error().contains(missing)) << status.error().toStdString();
    EXPECT_TRUE(dir.entries().isEmpty());
    EXPECT_FALSE(WritePreviewFile(Shown(), QString()).ok());

    // With nothing to preview it is the PNG writing that fails, not the file.
    const QString earlier = dir.path("preview.png");
    ASSERT_TRUE(test::WriteBytes(earlier, "an earlier preview"));
    status = WritePreviewFile(PictureSurface(), earlier);
    EXPECT_TRUE(status.error().contains("no picture")) << status.error().toStdString();
    EXPECT_EQ(test::ReadBytes(earlier), "an earlier preview");
    EXPECT_EQ(dir.entries(), QStringList{"preview.png"});
}

} // namespace
} // namespace pixolan
