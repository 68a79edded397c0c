// SPDX-License-Identifier: MIT
// What each export option does: the array's name, the background, resizing and dithering.
#include "convert/pixels/dither.h"
#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"
#include "convert/write/array_writer.h"
#include "convert/write/preview.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

namespace pixolan {
namespace {

using test::ArrayText;

// The codes `dither` gives a picture of `width` x `height` pixels of the colour `colour(x, y)`.
template <typename Colour>
std::vector<std::vector<int>> Codes(int width, int height, Dither dither, Colour colour)
{
    PixelCoder coder(dither, width);
    std::vector<std::vector<int>> codes;
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> coded(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = colour(x, y);
        coder.CodeRow(row.data(), y, coded.data());
        codes.emplace_back(coded.begin(), coded.end());
    }
    return codes;
}

// The mean level the panel shows for each channel of `codes`.
std::array<double, 3> MeanShown(const std::vector<std::vector<int>> &codes)
{
    std::array<double, 3> sum{};
    double count = 0;
    for (const std::vector<int> &row : codes)
        for (int code : row) {
            const QRgb shown = PreviewColour(std::uint8_t(code));
            sum[0] += qRed(shown);
            sum[1] += qGreen(shown);
            sum[2] += qBlue(shown);
            ++count;
        }
    for (double &s : sum)
        s /= count;
    return sum;
}

struct Name
{
    const char *name;
    const char *problem; // part of the reason; null when the name is accepted
    bool withHeader = false;
    friend void PrintTo(const Name &row, std::ostream *out) { *out << row.name; }
};

class Names : public testing::TestWithParam<Name>
{
};

TEST_P(Names, AreAcceptedOrRefusedWithTheirReason)
{
    const std::optional<QString> problem =
        ArrayNameProblem(QString::fromUtf8(GetParam().name), GetParam().withHeader);
    if (!GetParam().problem) {
        EXPECT_FALSE(problem) << problem->toStdString();
        return;
    }
    ASSERT_TRUE(problem);
    EXPECT_TRUE(problem->contains(QString::fromUtf8(GetParam().problem))) << problem->toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, Names,
    testing::Values(Name{"logo", nullptr}, Name{"_splash0123456789", nullptr}, Name{"Z", nullptr},
                    Name{"mainScreen", nullptr}, Name{"", "empty"},
                    Name{"2logo", "cannot begin with a digit"}, Name{"my-logo", "letters A-Z"},
                    Name{"logo.c", "letters A-Z"}, Name{"écran", "letters A-Z"},
                    Name{"int", "keyword of C and C++"}, Name{"restrict", "keyword of C"},
                    Name{"_Bool", "keyword of C"}, Name{"typeof_unqual", "keyword of C"},
                    Name{"class", "keyword of C++"}, Name{"co_await", "keyword of C++"},
                    Name{"xor_eq", "keyword of C++"}, Name{"main", "entry point"},
                    Name{"int8", "element type"}, Name{"size", nullptr},
                    Name{"size", "SIZE_WIDTH", true}, Name{"Uint8", "UINT8_WIDTH", true},
                    Name{"int_fast16", "INT_FAST16_WIDTH", true}),
    [](const auto &info) {
        std::string name = *info.param.name ? info.param.name : "empty";
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return std::to_string(info.index) + "_" + name;
    });

// Every decimal digit, and every hexadecimal one in either case, is read as itself.
TEST(OptionValues, ReadEveryDigit)
{
    EXPECT_EQ(ParseSize("10589x2367"), QSize(10589, 2367));
    EXPECT_EQ(ParseColour("012345"), 0xFF012345u);
    EXPECT_EQ(ParseColour("#6789ab"), 0xFF6789ABu);
    EXPECT_EQ(ParseColour("cdefAB"), 0xFFCDEFABu);
    EXPECT_EQ(ParseColour("CDEF99"), 0xFFCDEF99u);
}

TEST(ArrayName, ChangesTheDeclarationAndNothingElse)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(test::Pattern(5, 3)));
    QByteArray expected = ArrayText(surface, {});
    ASSERT_TRUE(expected.startsWith("const int8 array[] = {\r\n"));
    for (const QString &name : {QStringLiteral("logo"), QString(3 << 20, u'a')}) // past a block
        EXPECT_EQ(ArrayText(surface, {.name = name}),
                  QByteArray(expected).replace("int8 array[]", "int8 " + name.toLatin1() + "[]"));
}

TEST(Header, DeclaresTheArrayWithItsSize)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(test::Pattern(7, 3)));
    EXPECT_EQ(test::HeaderText(surface, {.name = QStringLiteral("splash_2")}),
              "/* splash_2: 7 x 3 pixels, one RRRGGGBB byte each, row by row from the top "
              "left.\r\n"
              "   Written by pixolan-export together with the array's source file. */\r\n"
              "#ifndef PIXOLAN_SPLASH_2_H\r\n#define PIXOLAN_SPLASH_2_H\r\n\r\n"
              "#define SPLASH_2_WIDTH 7\r\n#define SPLASH_2_HEIGHT 3\r\n"
              "#define SPLASH_2_SIZE 21\r\n\r\n"
              "#ifdef __cplusplus\r\nextern \"C\" {\r\n#endif\r\n\r\n"
              "extern const unsigned char splash_2[SPLASH_2_SIZE];\r\n\r\n"
              "#ifdef __cplusplus\r\n}\r\n#endif\r\n\r\n#endif\r\n");
}

// The sizes (and a padded format's bytes a row, or a page) and the declaration of each format; with
// --binary the sizes alone.
TEST(Header, GivesEachFormatsSizesAndElementType)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(test::Pattern(9, 10)));
    const struct
    {
        ExportOptions options;
        const char *macros;
        const char *declaration;
    } rows[] = {
        {{.format = PixelFormat::Rgb565},
         "WIDTH 9\r\n#define A_HEIGHT 10\r\n#define A_SIZE 180\r\n",
         "\r\nextern const uint16_t a[A_SIZE / 2];"},
        {{.format = PixelFormat::Gray4},
         "_STRIDE 5\r\n#define A_SIZE 50\r\n",
         "\r\nextern const uint8_t a[A_SIZE];"},
        {{.format = PixelFormat::MonoPages},
         "_STRIDE 9\r\n#define A_SIZE 18\r\n",
         "#include <stdint.h>"},
        {{.format = PixelFormat::Mono, .progmem = true},
         "_STRIDE 2\r\n#define A_SIZE 20\r\n",
         "extern const uint8_t a[A_SIZE] PROGMEM;"},
        {{.format = PixelFormat::Rgb666, .binary = true},
         "_HEIGHT 10\r\n#define A_SIZE 270\r\n",
         nullptr},
    };
    for (auto row : rows) {
        row.options.name = QStringLiteral("a");
        const QByteArray header = test::HeaderText(surface, row.options);
        const std::string format(Info(row.options.format).name);
        EXPECT_TRUE(header.contains(row.macros)) << format << ":\n" << header.toStdString();
        if (row.declaration)
            EXPECT_TRUE(header.contains(row.declaration)) << format << ":\n"
                                                          << header.toStdString();
        else
            EXPECT_FALSE(header.contains("extern") || header.contains("#include"))
                << header.toStdString();
    }
}

// Neither file is replaced unless both can be written.
TEST(Header, AFailureOfEitherFileKeepsBothEarlierFiles)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(test::Pattern(4, 4)));
    for (const bool headerFails : {true, false}) {
        test::TempDir dir;
        test::WriteBytes(dir.path("logo.c"), "earlier array");
        test::WriteBytes(dir.path("logo.h"), "earlier header");
        const QString bad = dir.path("missing/x");
        const Status status = WriteArrayAndHeaderFiles(
            surface, headerFails ? dir.path("logo.c") : bad, headerFails ? bad : dir.path("logo.h"),
            {.name = QStringLiteral("logo")});
        ASSERT_FALSE(status.ok());
        EXPECT_TRUE(status.error().startsWith(headerFails ? "Cannot write the header \"" + bad
                                                          : "Cannot write \"" + bad))
            << status.error().toStdString();
        EXPECT_EQ(test::ReadBytes(dir.path("logo.c")), "earlier array");
        EXPECT_EQ(test::ReadBytes(dir.path("logo.h")), "earlier header");
        EXPECT_EQ(dir.entries(), (QStringList{"logo.c", "logo.h"}));
    }
}

// What the surface holds once the options' background and size are applied.
struct Fitted
{
    const char *name;
    std::vector<std::vector<QRgb>> picture; // ARGB rows
    ExportOptions options;
    std::vector<std::vector<QRgb>> expected; // opaque rows
};

void PrintTo(const Fitted &fitted, std::ostream *out)
{
    *out << fitted.name;
}

class Fitting : public testing::TestWithParam<Fitted>
{
};

TEST_P(Fitting, GivesExactlyThesePixels)
{
    const auto &rows = GetParam().picture;
    QImage image(int(rows.front().size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[std::size_t(y)][std::size_t(x)]);
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(image, GetParam().options));

    std::vector<std::vector<QRgb>> pixels(std::size_t(surface.Height()));
    for (int y = 0; y < surface.Height(); ++y)
        pixels[std::size_t(y)].assign(surface.Row(y), surface.Row(y) + surface.Width());
    EXPECT_EQ(pixels, GetParam().expected);
}

constexpr QRgb A = 0xFF102030, B = 0xFFC0B0A0, C = 0xFF00FF00, D = 0xFF0000FF, Teal = 0xFF008080;
const ExportOptions kTeal2x2 = {.background = Teal, .size = QSize(2, 2), .filter = Filter::Nearest};

INSTANTIATE_TEST_SUITE_P(
    Options, Fitting,
    testing::Values(
        // (c * a + b * (255 - a) + 127) / 255 per channel over 306090: red (200 * 128 + 48 * 127
        // + 127) / 255 = 124.8 -> 124, green (100 * 128 + 96 * 127 + 127) / 255 = 98.5 -> 98,
        // blue (0 * 128 + 144 * 127 + 127) / 255 = 72.2 -> 72; fully transparent is 306090.
        Fitted{"half_transparent_over_the_background",
               {{qRgba(200, 100, 0, 128), qRgba(1, 2, 3, 0)}},
               {.background = 0xFF306090},
               {{qRgb(124, 98, 72), 0xFF306090}}},
        // 4 x 2 into 2 x 2 keeping its shape is 2 x 1: one row of picture, one of background.
        Fitted{"contain_pads_with_the_background",
               {{A, A, B, B}, {A, A, B, B}},
               kTeal2x2,
               {{A, B}, {Teal, Teal}}},
        Fitted{"contain_puts_the_odd_pixel_of_padding_last",
               {{A}},
               {.background = Teal, .size = QSize(2, 1), .filter = Filter::Nearest},
               {{A, Teal}}},
        Fitted{"contain_centres",
               {{A, B}},
               {.background = Teal, .size = QSize(2, 3), .filter = Filter::Nearest},
               {{Teal, Teal}, {A, B}, {Teal, Teal}}},
        Fitted{"cover_keeps_the_centre_columns",
               {{A, B, C, D}, {D, C, B, A}},
               {.background = Teal, .size = QSize(2, 2), .fit = Fit::Cover},
               {{B, C}, {C, B}}},
        // The nearest whole number of columns or rows: 4 x 5 into 2 x 6 keeps 5 * 2 / 6 = 1.67
        // -> 2 columns, 4 x 4 into 2 x 7 keeps 4 * 2 / 7 = 1.14 -> 1; the same turned for rows.
        Fitted{"cover_rounds_the_columns_up",
               std::vector<std::vector<QRgb>>(5, {A, B, C, D}),
               {.size = QSize(2, 6), .fit = Fit::Cover, .filter = Filter::Nearest},
               std::vector<std::vector<QRgb>>(6, {B, C})},
        Fitted{"cover_rounds_the_columns_down",
               std::vector<std::vector<QRgb>>(4, {A, B, C, D}),
               {.size = QSize(2, 7), .fit = Fit::Cover, .filter = Filter::Nearest},
               std::vector<std::vector<QRgb>>(7, {B, B})},
        Fitted{"cover_rounds_the_rows_up",
               {{A, A, A, A, A}, {B, B, B, B, B}, {C, C, C, C, C}, {D, D, D, D, D}},
               {.size = QSize(6, 2), .fit = Fit::Cover, .filter = Filter::Nearest},
               {std::vector<QRgb>(6, B), std::vector<QRgb>(6, C)}},
        Fitted{"cover_rounds_the_rows_down",
               {{A, A, A, A}, {B, B, B, B}, {C, C, C, C}, {D, D, D, D}},
               {.size = QSize(7, 2), .fit = Fit::Cover, .filter = Filter::Nearest},
               std::vector<std::vector<QRgb>>(2, std::vector<QRgb>(7, B))},
        Fitted{"stretch_ignores_the_shape",
               {{A, B}},
               {.size = QSize(4, 2), .fit = Fit::Stretch, .filter = Filter::Nearest},
               {{A, A, B, B}, {A, A, B, B}}},
        // Smooth scaling averages: red 0, 40, 80, 120 give 60, green 25, blue 100.
        Fitted{"smooth_averages",
               {{qRgb(0, 10, 200), qRgb(40, 20, 200)}, {qRgb(80, 30, 0), qRgb(120, 40, 0)}},
               {.size = QSize(1, 1), .fit = Fit::Stretch},
               {{qRgb(60, 25, 100)}}},
        // 8 x 1 fits 2 x 2 as 2 x 0.25: still one row of picture.
        Fitted{"contain_keeps_a_row_of_a_thin_picture",
               {{A, A, A, A, B, B, B, B}},
               kTeal2x2,
               {{A, B}, {Teal, Teal}}},
        // Only the centre of a long strip is scaled: its middle pixel fills the target.
        Fitted{"cover_of_a_long_strip_takes_its_middle",
               {{A, A, A, A, C, A, A, A, A}},
               {.size = QSize(2, 18), .fit = Fit::Cover, .filter = Filter::Nearest},
               std::vector<std::vector<QRgb>>(18, {C, C})}),
    [](const auto &info) { return std::string(info.param.name); });

// Red 76 lies 3/36 of the way from the shown level 73 (code 2) to 109 (code 3): code 3 where
// 3/36 + (2b + 1)/128 >= 1, i.e. where the Bayer value b >= 59. Green 160, 14/36 from 146 (4)
// to 182 (5): b >= 39. Blue 115, 30/85 from 85 (1) to 170 (2): b >= 41.
TEST(OrderedDither, WorksOutAnEightByEightBlockByHand)
{
    constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                  {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                  {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                  {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    const auto codes = Codes(16, 16, Dither::Ordered, [](int, int) { return qRgb(76, 160, 115); });
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int b = kBayer[y % 8][x % 8];
            const int expected = (2 + (b >= 59)) << 5 | (4 + (b >= 39)) << 2 | (1 + (b >= 41));
            EXPECT_EQ(codes[std::size_t(y)][std::size_t(x)], expected) << x << ", " << y;
        }
}

// Over a block every flat grey shows as itself on average, to within 1/128 of the step between
// two shown levels (64 thresholds): half a level or less for red and green, 85/128 for blue.
TEST(OrderedDither, ShowsEveryFlatGreyAsItselfOnAverage)
{
    for (int grey = 0; grey < 256; ++grey) {
        const auto mean = MeanShown(
            Codes(8, 8, Dither::Ordered, [grey](int, int) { return qRgb(grey, grey, grey); }));
        EXPECT_NEAR(mean[0], grey, 37.0 / 128) << grey;
        EXPECT_NEAR(mean[1], grey, 37.0 / 128) << grey;
        EXPECT_NEAR(mean[2], grey, 85.0 / 128) << grey;
    }
}

TEST(FloydSteinberg, LeavesNoBiasOnALargeFlatGrey)
{
    for (int grey : {20, 100, 128, 200, 250}) {
        const auto mean = MeanShown(Codes(256, 256, Dither::FloydSteinberg,
                                          [grey](int, int) { return qRgb(grey, grey, grey); }));
        for (double channel : mean)
            EXPECT_NEAR(channel, grey, 0.5) << grey;
    }
}

// Blue only (red and green are shown exactly), levels 0, 85, 170, 255. Row 0 runs left to right,
// every 20-odd becomes 0 and its error goes on: +20 (8.75 ahead, 6.25 and 1.25 below), 28.75
// (5.39, 8.98 and 1.80 below), 32.58 (6.11 and 10.18 below). Row 1 holds 11.64, 16.34 and 11.98
// and runs right to left: 111.98 -> 85 (+26.98, 11.80 ahead); 128.14 is nearer 170 than 85
// (-41.86, -18.31 ahead); 43.33 is nearer 85. Left to right, or with two of the shares swapped,
// row 1 would come out otherwise.
TEST(FloydSteinberg, WorksOutASerpentineThreeByTwoByHand)
{
    const int blue[2][3] = {{20, 20, 20}, {50, 100, 100}};
    const auto codes = Codes(3, 2, Dither::FloydSteinberg,
                             [&blue](int x, int y) { return qRgb(0, 0, blue[y][x]); });
    EXPECT_EQ(codes, (std::vector<std::vector<int>>{{0, 0, 0}, {1, 2, 1}}));
    // 39 + 8 * 7/16 = 42.5, exactly half way between 0 and 85: it goes up.
    EXPECT_EQ(
        Codes(2, 1, Dither::FloydSteinberg, [](int x, int) { return qRgb(0, 0, x == 0 ? 8 : 39); }),
        (std::vector<std::vector<int>>{{0, 1}}));
}

// Floyd-Steinberg said plainly, by channel in 1/256 of a level: the nearest shown level to the
// value plus what it was carried (half way up), the difference shared out as floor(7/16) ahead,
// floor(3/16) and floor(5/16) below and the rest below ahead; rows alternate, the first from left.
TEST(FloydSteinberg, GivesTheCodesOfThePlainAlgorithm)
{
    const QImage picture = test::Noise(64, 48, 3);
    std::vector<std::vector<int>> expected(48, std::vector<int>(64));
    for (int shift = 16; shift >= 0; shift -= 8) { // red, green, blue
        const int top = shift ? 7 : 3;             // the largest code
        const auto shown = [top](int k) { return top == 7 ? k << 5 | k << 2 | k >> 1 : k * 85; };
        std::vector<std::vector<int>> carried(49, std::vector<int>(66));
        for (int y = 0, step = 1; y < 48; ++y, step = -step)
            for (int i = 0, x = step > 0 ? 0 : 63; i < 64; ++i, x += step) {
                const int value = 256 * (picture.pixel(x, y) >> shift & 255) + carried[y][x + 1];
                int code = 0; // up while the value is at least half way to the next level
                while (code < top && 2 * value >= 256 * (shown(code) + shown(code + 1)))
                    ++code;
                const int error = value - 256 * shown(code);
                const auto share = [error](int n) { return int(std::floor(error * n / 16.0)); };
                carried[y][x + 1 + step] += share(7);
                carried[y + 1][x + 1 - step] += share(3);
                carried[y + 1][x + 1] += share(5);
                carried[y + 1][x + 1 + step] += error - share(7) - share(3) - share(5);
                expected[y][x] |= code << (shift == 16 ? 5 : shift / 4); // RRRGGGBB
            }
    }
    EXPECT_EQ(Codes(64, 48, Dither::FloydSteinberg,
                    [&picture](int x, int y) { return picture.pixel(x, y); }),
              expected);
}

// The array and the preview hold the same codes for every dither.
TEST(Dither, ArrayAndPreviewAgree)
{
    PictureSurface surface;
    ASSERT_TRUE(surface.SetImage(test::Noise(23, 9, 5)));
    for (Dither dither : {Dither::None, Dither::Ordered, Dither::FloydSteinberg}) {
        const ExportOptions options{.dither = dither};
        const QImage preview = PreviewImage(surface, options);
        QByteArray expected = "const int8 array[] = {\r\n";
        for (int y = 0; y < preview.height(); ++y) {
            for (int x = 0; x < preview.width(); ++x)
                expected +=
                    "0x" + QByteArray::number(preview.pixelIndex(x, y), 16).toUpper() + ", ";
            expected += "\r\n\r\n";
        }
        EXPECT_EQ(ArrayText(surface, options), expected + "};\r\n") << int(dither);
    }
    EXPECT_NE(ArrayText(surface, {.dither = Dither::Ordered}), ArrayText(surface, {}));
}

} // namespace
} // namespace pixolan
