// SPDX-License-Identifier: MIT
#include "icon/application_icon.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

// QIcon::pixmap() needs a QGuiApplication; the offscreen platform is set by CTest.
class ApplicationIconTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QGuiApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "application_icon_test";
            static char *argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }
};

TEST_F(ApplicationIconTest, IdIsReverseDnsAsLauncherAndAppStreamNeedIt)
{
    EXPECT_EQ(pixolan::ApplicationId(), QStringLiteral("io.github.pixolan.Pixolan"));
}

// Each size comes from its own rendered file, not from scaling another one.
TEST_F(ApplicationIconTest, EverySizeIsCompiledInAtItsOwnSize)
{
    const QList<int> sizes = pixolan::ApplicationIconSizes();
    ASSERT_EQ(sizes, (QList<int>{16, 24, 32, 48, 64, 128, 256}));
    for (int size : sizes) {
        SCOPED_TRACE(size);
        const QImage file(QStringLiteral(":/pixolan/icon/pixolan-%1.png").arg(size));
        ASSERT_FALSE(file.isNull());
        EXPECT_EQ(file.size(), QSize(size, size));
    }
    EXPECT_EQ(pixolan::ApplicationIcon().availableSizes().size(), sizes.size());
}

// The drawing is on a 64-unit grid: samples in the middle of known shapes, at 256 pixels.
TEST_F(ApplicationIconTest, LargestSizeShowsTheLcdPanelDrawing)
{
    const QImage image = pixolan::ApplicationIcon()
                             .pixmap(QSize(256, 256))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(256, 256));
    struct Sample
    {
        const char *what;
        int x;
        int y;
        QRgb colour;
    };
    const Sample samples[] = {
        {"outside the module, transparent", 2, 250, qRgba(0, 0, 0, 0)},
        {"screen between cells", 4 * 16, 4 * 24, qRgb(0x0b, 0x0f, 0x14)},
        {"full red cell", 4 * 12, 4 * 28, qRgb(0xff, 0x00, 0x00)},
        {"full blue cell", 4 * 44, 4 * 28, qRgb(0x00, 0x00, 0xff)},
        {"green tint cell", 4 * 28, 4 * 20, qRgb(0x92, 0xff, 0xaa)},
        {"dark cyan cell", 4 * 36, 4 * 44, qRgb(0x00, 0x6d, 0x55)},
        {"pin of the header", 4 * 32, 4 * 5, qRgb(0xd8, 0xb0, 0x4a)},
    };
    for (const Sample &sample : samples) {
        SCOPED_TRACE(sample.what);
        const QRgb pixel = image.pixel(sample.x, sample.y);
        if (qAlpha(sample.colour) == 0) {
            EXPECT_EQ(qAlpha(pixel), 0);
        } else {
            EXPECT_EQ(pixel, sample.colour) << std::hex << pixel;
        }
    }
}

TEST_F(ApplicationIconTest, SmallSizeIsOpaqueWhereTheModuleIs)
{
    const QImage image = pixolan::ApplicationIcon()
                             .pixmap(QSize(16, 16))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(image.pixel(8, 8)), 255);
    EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0);
}

} // namespace
