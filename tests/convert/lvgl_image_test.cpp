// SPDX-License-Identifier: MIT
// LVGL images, a row for every colour format of LVGL 9 and 8 with and without alpha, worked out
// by hand and compiled against LVGL's structs as lvgl/lvgl.h here declares them.
#include "convert/read/picture_sequence.h"
#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"
#include "convert/write/array_writer.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace pixolan {
namespace {

using test::TempDir;
using Rows = std::vector<std::vector<QRgb>>;
using Bytes = std::vector<int>;

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000,
               M = 0xFF808080;
const Rows kSix = {{R, G, B}, {W, K, M}};
// Opaque red, a transparent green (stored, never shown), half of blue; white at alpha 1, black,
// grey at a quarter.
const Rows kSeeThrough = {{R, 0x0000FF00, 0x800000FF}, {0x01FFFFFF, K, 0x40808080}};
const Rows kNineWide = {{W, K, W, K, W, K, W, K, W}, {W, W, W, W, W, W, W, W, W}};

struct LvglRow
{
    std::string name;
    ExportOptions options;
    Rows rows;
    int cf;                             // the colour format's value in LVGL's header
    int stride;                         // LVGL 9's stride
    std::vector<int> map;               // palette included
    QStringList right = {}, wrong = {}; // LVGL 8's settings it is drawn under, and wrong ones
    int firstMinor = 0;                 // of LVGL 9 that draws it
    friend void PrintTo(const LvglRow &row, std::ostream *out) { *out << row.name; }
};

// Colours as B, G, R, 0xFF entries.
std::vector<int> Palette(int entries, const std::function<QRgb(int)> &colour)
{
    std::vector<int> bytes;
    for (int i = 0; i < entries; ++i)
        bytes.insert(bytes.end(), {qBlue(colour(i)), qGreen(colour(i)), qRed(colour(i)), 0xFF});
    return bytes;
}
std::vector<int> operator+(std::vector<int> a, const std::vector<int> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// RRRGGGBB's colours: the codes widened to k x 255 / 7 (and k x 85), rounded.
const std::vector<int> kPalette332 = Palette(256, [](int c) {
    return qRgb(((c >> 5) * 255 + 3) / 7, (((c >> 2) & 7) * 255 + 3) / 7, (c & 3) * 85);
});
const std::vector<int> kBlackWhite = Palette(2, [](int c) { return c ? W : K; });

std::pair<int, QString> Execute(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {-1, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

// Compiles `source` with the warnings of firmware builds, as C99 or C++20, against lvgl/lvgl.h
// here: by "lvgl/lvgl.h" from C, by "lvgl.h" (LV_LVGL_H_INCLUDE_SIMPLE) from C++.
std::pair<int, QString> Compile(const QString &source, bool cxx, const QStringList &settings,
                                const QString &object)
{
    const QString lvgl = PIXOLAN_LVGL_DECLARATIONS;
    return Execute(PIXOLAN_CXX_COMPILER,
                   QStringList{"-x", cxx ? "c++" : "c", cxx ? "-std=c++20" : "-std=c99", "-Wall",
                               "-Wextra", "-Wpedantic", "-Werror", "-I",
                               cxx ? lvgl + "/lvgl" : lvgl}
                       << (cxx ? QStringList{"-DLV_LVGL_H_INCLUDE_SIMPLE"} : QStringList{})
                       << settings << QStringList{"-c", source, "-o", object});
}

// Prints the descriptor's members and the map, through the header, from C++.
constexpr char kPrinter[] = R"(#include "logo.h"
#include <cstdio>
#if LVGL_VERSION_MAJOR == 9
LV_IMAGE_DECLARE(logo);
#define MORE logo.header.stride, logo.header.magic, logo.header.flags
#else
LV_IMG_DECLARE(logo)
#define MORE 0u, logo.header.always_zero, logo.header.reserved
#endif
int main() {
    std::printf("%u %u %u %u %u %u %u %u\n", unsigned(logo.header.cf), unsigned(logo.header.w),
                unsigned(logo.header.h), MORE, unsigned(logo.data_size), unsigned(LOGO_SIZE));
    for (unsigned i = 0; i < logo.data_size; ++i)
        std::printf("%02X ", logo.data[i]);
})";

class LvglImages : public testing::TestWithParam<LvglRow>
{
};

TEST_P(LvglImages, HoldTheirBytesAndCompileAgainstLvgl)
{
    const LvglRow &row = GetParam();
    const bool nine = row.options.lvgl == 9;
    QImage image(int(row.rows[0].size()), int(row.rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, row.rows[std::size_t(y)][std::size_t(x)]);
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(image, row.options));
    const int w = image.width(), h = image.height();

    // LVGL's binary file: the header, then the map.
    ExportOptions binary = row.options;
    binary.binary = true;
    const QByteArray file = test::ArrayText(surface, binary);
    const std::vector<int> header =
        nine ? std::vector<int>{0x19, row.cf, 0, 0, w, 0, h, 0, row.stride & 255, row.stride >> 8,
                                0,    0}
             : std::vector<int>{row.cf, (w << 2) & 255, (w >> 6) | ((h << 5) & 255), h >> 3};
    QByteArray expected;
    for (int byte : header + row.map)
        expected += char(byte);
    EXPECT_EQ(file.toHex(' ').toStdString(), expected.toHex(' ').toStdString());

    // The source, compiled for every version's structs, as C and C++.
    TempDir dir;
    ExportOptions named = row.options;
    named.name = "logo";
    ASSERT_TRUE(WriteArrayAndHeaderFiles(surface, dir.path("logo.c"), dir.path("logo.h"), named));
    const QString major = nine ? "-DLVGL_VERSION_MAJOR=9" : "-DLVGL_VERSION_MAJOR=8";
    QStringList settings;
    for (int minor = nine ? row.firstMinor : 3; minor <= (nine ? 5 : 3); ++minor) {
        settings = QStringList{major, QString("-DLVGL_VERSION_MINOR=%1").arg(minor)} + row.right;
        for (const bool cxx : {false, true}) {
            const auto [status, said] =
                Compile(dir.path("logo.c"), cxx, settings, dir.path("logo.o"));
            EXPECT_EQ(status, 0) << minor << (cxx ? " C++: " : " C: ") << said.toStdString();
        }
    }

    // The printer, in C++, reads the descriptor through the header (of the newest version).
    ASSERT_TRUE(test::WriteBytes(dir.path("main.cpp"), kPrinter));
    ASSERT_EQ(Compile(dir.path("main.cpp"), true, settings, dir.path("main.o")).first, 0);
    ASSERT_EQ(Execute(PIXOLAN_CXX_COMPILER,
                      {dir.path("main.o"), dir.path("logo.o"), "-o", dir.path("printer")})
                  .first,
              0);
    QString printed = QString("%1 %2 %3 %4 %5 0 %6 %6\n")
                          .arg(row.cf)
                          .arg(w)
                          .arg(h)
                          .arg(nine ? row.stride : 0)
                          .arg(nine ? 0x19 : 0)
                          .arg(row.map.size());
    for (int byte : row.map)
        printed += QString::asprintf("%02X ", byte);
    EXPECT_EQ(Execute(dir.path("printer"), {}).second.toStdString(), printed.toStdString());

    // The other version, and the wrong settings, stop the build with the reason.
    const QStringList wrongs[] = {
        {nine ? "-DLVGL_VERSION_MAJOR=8" : "-DLVGL_VERSION_MAJOR=9", "-DLVGL_VERSION_MINOR=3"},
        QStringList{major} + row.wrong};
    for (const QStringList &wrong : wrongs) {
        if (wrong.size() < 2)
            continue;
        const auto [status, said] = Compile(dir.path("logo.c"), false, wrong, dir.path("x.o"));
        EXPECT_NE(status, 0);
        EXPECT_TRUE(said.contains("#error \"logo ")) << said.toStdString();
    }
}

using enum PixelFormat;
ExportOptions Nine(PixelFormat format, bool alpha = false)
{
    return {.format = format, .lvgl = 9, .alpha = alpha};
}
ExportOptions Eight(PixelFormat format, bool alpha = false)
{
    return {.format = format, .lvgl = 8, .alpha = alpha};
}
const QStringList kDepth8 = {"-DLV_COLOR_DEPTH=8"},
                  kPlain16 = {"-DLV_COLOR_DEPTH=16", "-DLV_COLOR_16_SWAP=0"},
                  kSwapped16 = {"-DLV_COLOR_DEPTH=16", "-DLV_COLOR_16_SWAP=1"};

INSTANTIATE_TEST_SUITE_P(
    Formats, LvglImages,
    testing::Values(
        LvglRow{"v9_rgb565", Nine(Rgb565), kSix, 0x12, 6,
                Bytes{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84}},
        // Built for 9.3 on; 9.2 lacks RGB565_SWAPPED.
        LvglRow{"v9_rgb565be", Nine(Rgb565Be), kSix, 0x1B, 6,
                Bytes{0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0x84, 0x10},
                QStringList{}, QStringList{"-DLVGL_VERSION_MINOR=2"}, 3},
        LvglRow{"v9_rgb888_as_bgr", Nine(Rgb888), kSix, 0x0F, 9,
                Bytes{0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00,
                      0x00, 0x00, 0x80, 0x80, 0x80}},
        LvglRow{"v9_l8", Nine(Gray8), kSix, 0x06, 3, Bytes{0x4C, 0x96, 0x1D, 0xFF, 0x00, 0x80}},
        LvglRow{"v9_i8_of_rgb332", Nine(Rgb332), kSix, 0x0A, 3,
                kPalette332 + Bytes{0xE0, 0x1C, 0x03, 0xFF, 0x00, 0x92}},
        LvglRow{"v9_i4", Nine(Gray4), kSix, 0x09, 2,
                Palette(16, [](int c) { return qRgb(c * 17, c * 17, c * 17); }) +
                    Bytes{0x49, 0x10, 0xF0, 0x80}},
        LvglRow{"v9_i1", Nine(Mono), kSix, 0x07, 1, kBlackWhite + Bytes{0x40, 0xA0}},
        LvglRow{"v9_i1_rows_padded", Nine(Mono), kNineWide, 0x07, 2,
                kBlackWhite + Bytes{0xAA, 0x80, 0xFF, 0x80}},
        // The 565 plane, then the alpha plane; the transparent pixel is the background's white.
        LvglRow{"v9_rgb565a8", Nine(Rgb565, true), kSeeThrough, 0x14, 6,
                Bytes{0x00, 0xF8, 0xFF, 0xFF, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84, 0xFF,
                      0x00, 0x80, 0x01, 0xFF, 0x40}},
        LvglRow{"v9_argb8888_over_another_background",
                ExportOptions{.background = 0xFF123456, .format = Rgb888, .lvgl = 9, .alpha = true},
                kSeeThrough, 0x10, 12,
                Bytes{0x00, 0x00, 0xFF, 0xFF, 0x56, 0x34, 0x12, 0x00, 0xFF, 0x00, 0x00, 0x80,
                      0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x80, 0x80, 0x80, 0x40}},
        LvglRow{"v8_rgb332", Eight(Rgb332), kSix, 4, 0, Bytes{0xE0, 0x1C, 0x03, 0xFF, 0x00, 0x92},
                kDepth8, QStringList{"-DLV_COLOR_DEPTH=16"}},
        LvglRow{"v8_rgb565", Eight(Rgb565), kSix, 4, 0,
                Bytes{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84},
                kPlain16, kSwapped16},
        LvglRow{"v8_rgb565_swapped", Eight(Rgb565Be), kSix, 4, 0,
                Bytes{0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0x84, 0x10},
                kSwapped16, kPlain16},
        LvglRow{"v8_indexed_1bit", Eight(Mono), kSix, 7, 0, kBlackWhite + Bytes{0x40, 0xA0}},
        // Each pixel's colour bytes, then its alpha.
        LvglRow{"v8_rgb332_alpha", Eight(Rgb332, true), kSeeThrough, 5, 0,
                Bytes{0xE0, 0xFF, 0xFF, 0x00, 0x03, 0x80, 0xFF, 0x01, 0x00, 0xFF, 0x92, 0x40},
                kDepth8, QStringList{"-DLV_COLOR_DEPTH=32"}},
        LvglRow{"v8_rgb565_alpha", Eight(Rgb565, true), kSeeThrough, 5, 0,
                Bytes{0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0x00, 0x1F, 0x00, 0x80, 0xFF, 0xFF, 0x01, 0x00,
                      0x00, 0xFF, 0x10, 0x84, 0x40},
                kPlain16, kSwapped16},
        LvglRow{"v8_rgb565_swapped_alpha", Eight(Rgb565Be, true), kSeeThrough, 5, 0,
                Bytes{0xF8, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x1F, 0x80, 0xFF, 0xFF, 0x01, 0x00,
                      0x00, 0xFF, 0x84, 0x10, 0x40},
                kSwapped16, QStringList{"-DLV_COLOR_DEPTH=8"}}),
    test::RowName);

// The frames of an animation: an image each, the list lv_animimg_set_src() takes and the delays,
// read through the header from C++.
TEST(LvglFrames, AreAnImageEachWithTheirListAndDelays)
{
    TempDir dir;
    ASSERT_TRUE(test::WriteBytes(
        dir.path("spin.gif"),
        test::MakeGif(3, 1, {0xFF0000, 0x00FF00}, {{{0, 1, 0}, -1, 5}, {{1, 1, 0}, -1, 30}})));
    PictureSequence frames;
    ASSERT_TRUE(frames.OpenFrames(dir.path("spin.gif"), {}).ok());
    ASSERT_TRUE(WriteArrayAndHeaderFiles(frames, dir.path("spin.c"), dir.path("spin.h"),
                                         {.name = "spin", .format = Rgb565, .lvgl = 9}));
    ASSERT_TRUE(test::WriteBytes(dir.path("main.cpp"), R"(#include "spin.h"
#include <cstdio>
int main() {
    for (unsigned f = 0; f < SPIN_FRAMES; ++f)
        std::printf("%u %u %u %02X%02X %u\n", unsigned(spin_frames[f]->header.w),
                    unsigned(spin_frames[f]->data_size), unsigned(SPIN_FRAME_SIZE),
                    spin_frames[f]->data[1], spin_frames[f]->data[0], unsigned(spin_delays[f]));
})"));
    const QStringList settings = {"-DLVGL_VERSION_MAJOR=9", "-DLVGL_VERSION_MINOR=5"};
    for (const bool cxx : {false, true}) {
        const auto [status, said] = Compile(dir.path("spin.c"), cxx, settings, dir.path("spin.o"));
        EXPECT_EQ(status, 0) << said.toStdString();
    }
    ASSERT_EQ(Compile(dir.path("main.cpp"), true, settings, dir.path("main.o")).first, 0);
    ASSERT_EQ(Execute(PIXOLAN_CXX_COMPILER,
                      {dir.path("main.o"), dir.path("spin.o"), "-o", dir.path("printer")})
                  .first,
              0);
    EXPECT_EQ(Execute(dir.path("printer"), {}).second, "3 6 6 F800 50\n3 6 6 07E0 300\n");
}

} // namespace
} // namespace pixolan
