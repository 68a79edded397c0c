// SPDX-License-Identifier: MIT
#include "convert/write/array_writer.h"

#include "convert/naive_array.h"
#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"
#include "convert/write/save_file.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>

namespace pixolan {
namespace {

using test::ArrayText;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

PictureSurface SurfaceOf(const QImage &image)
{
    PictureSurface surface;
    EXPECT_TRUE(surface.SetImage(image));
    return surface;
}

// A picture given row by row (0xAARRGGBB); no rows for an empty surface.
PictureSurface FromRows(const std::vector<std::vector<QRgb>> &rows)
{
    if (rows.empty())
        return PictureSurface();
    QImage image(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x]);
    return SurfaceOf(image);
}

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000,
               M = 0xFF808080;
// Red, green, blue over white, black, mid grey: grey levels 76, 150, 29 over 255, 0, 128.
const std::vector<std::vector<QRgb>> kSix = {{R, G, B}, {W, K, M}};
// 9 wide: rows padded to whole bytes.
const std::vector<std::vector<QRgb>> kNineWide = {{W, K, W, K, W, K, W, K, W},
                                                  {W, W, W, W, W, W, W, W, W}};
// 3 x 10, white where y == x or y == 9: the second page holds two rows and six of padding.
const std::vector<std::vector<QRgb>> kTenHigh = [] {
    std::vector<std::vector<QRgb>> rows(10, {K, K, K});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 3; ++x)
            if (y == x || y == 9)
                rows[std::size_t(y)][std::size_t(x)] = W;
    return rows;
}();

struct Example
{
    std::string name;
    std::vector<std::vector<QRgb>> rows;
    QByteArray expected;
    QString fileName = QStringLiteral("array.c");
    QByteArray earlier = {}; // a file already there, replaced entirely
    ExportOptions options = {};
    friend void PrintTo(const Example &row, std::ostream *out) { *out << row.name; }
};

class WorkedExamples : public testing::TestWithParam<Example>
{
};

TEST_P(WorkedExamples, AreWrittenByteForByte)
{
    TempDir dir;
    const QString path = dir.path(GetParam().fileName);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    if (!GetParam().earlier.isEmpty()) {
        ASSERT_TRUE(WriteBytes(path, GetParam().earlier));
    }
    const Status status = WriteArrayFile(FromRows(GetParam().rows), path, GetParam().options);
    ASSERT_TRUE(status.ok()) << status.error().toStdString();
    EXPECT_EQ(ReadBytes(path), GetParam().expected);
    EXPECT_EQ(dir.entries().size(), 1) << "nothing but the array file";
}

const QByteArray kOneWhitePixel = "const int8 array[] = {\r\n0xFF, \r\n\r\n};\r\n";

INSTANTIATE_TEST_SUITE_P(
    Pictures, WorkedExamples,
    testing::Values(
        Example{"one_white_pixel", {{0xFFFFFFFF}}, kOneWhitePixel},
        Example{"two_by_two",
                {{0xFFFFFFFF, 0xFF000000}, {0xFFFF0000, 0xFF0000FF}},
                "const int8 array[] = {\r\n0xFF, 0x0, \r\n\r\n0xE0, 0x3, \r\n\r\n};\r\n"},
        Example{"all_black",
                {{0xFF000000, 0xFF000000, 0xFF000000}, {0xFF000000, 0xFF000000, 0xFF000000}},
                "const int8 array[] = {\r\n0x0, 0x0, 0x0, \r\n\r\n0x0, 0x0, 0x0, \r\n\r\n};\r\n"},
        Example{"empty_surface", {}, "const int8 array[] = {\r\n};\r\n"},
        Example{"path_with_spaces_and_accents",
                {{0xFFFFFFFF}},
                kOneWhitePixel,
                "mes sorties/écran été.c"},
        Example{"replaces_an_existing_file",
                {{0xFFFFFFFF}},
                kOneWhitePixel,
                "array.c",
                QByteArray(10000, 'x')},
        Example{"rgb565_as_values",
                kSix,
                "#include <stdint.h>\r\n\r\nconst uint16_t array[] = {\r\n"
                "0xF800, 0x7E0, 0x1F, \r\n\r\n0xFFFF, 0x0, 0x8410, \r\n\r\n};\r\n",
                "array.c",
                {},
                {.format = PixelFormat::Rgb565}},
        Example{"mono_pages_a_page_a_line",
                {{W, K}, {K, W}},
                "#include <stdint.h>\r\n\r\nconst uint8_t array[] = {\r\n0x1, 0x2, \r\n\r\n};\r\n",
                "array.c",
                {},
                {.format = PixelFormat::MonoPages}},
        Example{"progmem",
                {{W}},
                "#if defined(__AVR__)\r\n#include <avr/pgmspace.h>\r\n#elif !defined(PROGMEM)\r\n"
                "#define PROGMEM\r\n#endif\r\n\r\nconst int8 array[] PROGMEM = {\r\n0xFF, "
                "\r\n\r\n};\r\n",
                "array.c",
                {},
                {.progmem = true}}),
    test::RowName);

// ---------------------------------------------------------------------------------------------
// The panel's formats, worked out by hand: the bytes as an MCU holds them (--binary).

struct FormatExample
{
    std::string name;
    ExportOptions options;
    std::vector<std::vector<QRgb>> rows;
    std::vector<int> bytes;
    friend void PrintTo(const FormatExample &row, std::ostream *out) { *out << row.name; }
};

class Formats : public testing::TestWithParam<FormatExample>
{
};

TEST_P(Formats, PackTheirBytesExactly)
{
    ExportOptions options = GetParam().options;
    options.binary = true;
    const QByteArray bytes = ArrayText(FromRows(GetParam().rows), options);
    EXPECT_EQ(std::vector<int>(bytes.begin(), bytes.end()), [&] {
        std::vector<int> expected;
        for (int byte : GetParam().bytes)
            expected.push_back(std::int8_t(byte)); // as QByteArray's char holds it
        return expected;
    }());
}

using enum PixelFormat;
INSTANTIATE_TEST_SUITE_P(
    HandWorked, Formats,
    testing::Values(
        FormatExample{"rgb332", {}, kSix, {0xE0, 0x1C, 0x03, 0xFF, 0x00, 0x92}},
        FormatExample{"rgb565_low_byte_first",
                      {.format = Rgb565},
                      kSix,
                      {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84}},
        FormatExample{"rgb565be",
                      {.format = Rgb565Be},
                      kSix,
                      {0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0x84, 0x10}},
        FormatExample{"rgb666",
                      {.format = Rgb666},
                      {{0xFF7F3F1F}},
                      {0x7C, 0x3C, 0x1C}}, // 127 -> 31 -> 0x7C, 63 -> 15, 31 -> 7
        FormatExample{
            "rgb888", {.format = Rgb888}, {{0xFF123456, M}}, {0x12, 0x34, 0x56, 0x80, 0x80, 0x80}},
        FormatExample{"gray8", {.format = Gray8}, kSix, {0x4C, 0x96, 0x1D, 0xFF, 0x00, 0x80}},
        FormatExample{"gray4", {.format = Gray4}, kSix, {0x49, 0x10, 0xF0, 0x80}},
        FormatExample{"gray4_nine_wide",
                      {.format = Gray4},
                      kNineWide,
                      {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0}},
        FormatExample{"mono", {.format = Mono}, kSix, {0x40, 0xA0}},
        FormatExample{"mono_threshold_76", {.format = Mono, .threshold = 76}, kSix, {0xC0, 0xA0}},
        FormatExample{"mono_invert", {.format = Mono, .invert = true}, kSix, {0xA0, 0x40}},
        FormatExample{"mono_nine_wide", {.format = Mono}, kNineWide, {0xAA, 0x80, 0xFF, 0x80}},
        FormatExample{"mono_lsb", {.format = MonoLsb}, kSix, {0x02, 0x05}},
        FormatExample{
            "mono_lsb_nine_wide", {.format = MonoLsb}, kNineWide, {0x55, 0x01, 0xFF, 0x01}},
        FormatExample{"mono_pages", {.format = MonoPages}, kSix, {0x02, 0x01, 0x02}},
        FormatExample{"mono_pages_ten_high",
                      {.format = MonoPages},
                      kTenHigh,
                      {0x01, 0x02, 0x04, 0x02, 0x02, 0x02}},
        // The padding rows stay 0 when the dark pixels are the lit ones.
        FormatExample{"mono_pages_ten_high_invert",
                      {.format = MonoPages, .invert = true},
                      kTenHigh,
                      {0xFE, 0xFD, 0xFB, 0x01, 0x01, 0x01}},
        // Red 4 lies half way between the 5-bit levels 0 and 8: code 1 where the Bayer value
        // b >= 32, which is every other pixel of the first row (0, 32, 8, 40, ...).
        FormatExample{"rgb565_ordered",
                      {.dither = Dither::Ordered, .format = Rgb565},
                      {std::vector<QRgb>(4, 0xFF040000)},
                      {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08}},
        FormatExample{"mono_ordered",
                      {.dither = Dither::Ordered, .format = Mono},
                      {std::vector<QRgb>(8, M)},
                      {0x55}},
        // Grey 128 on 1 bit (levels 0 and 255): the first pixel goes up to 255, error -127.
        // Floyd-Steinberg carries 7/16 of it ahead: 128 - 55.6 goes to 0, error +72.4, of which
        // 7/16 lifts the third to 159.7: lit. Atkinson carries 1/8 to each of the next two:
        // 112.1 goes to 0 and hands on +14.0, so the third, 128 - 15.9 + 14.0, stays dark.
        FormatExample{"mono_floyd_steinberg",
                      {.dither = Dither::FloydSteinberg, .format = Mono},
                      {{M, M, M}},
                      {0xA0}},
        FormatExample{
            "mono_atkinson", {.dither = Dither::Atkinson, .format = Mono}, {{M, M, M}}, {0x80}},
        // Down a column the first pixel's eighth reaches the third row, too: without it that row
        // would be 128 + 14.0, lit.
        FormatExample{"mono_atkinson_column",
                      {.dither = Dither::Atkinson, .format = Mono},
                      {{M}, {M}, {M}},
                      {0x80, 0x00, 0x00}},
        FormatExample{"empty_surface", {.format = Rgb565}, {}, {}}),
    test::RowName);

TEST(WriteArrayFile, WritesEveryValueInUpperCaseHexWithoutLeadingZeros)
{
    // Pixel i of the row codes to i: 256 RGB332 bytes, 65536 RGB565 values.
    for (const PixelFormat format : {PixelFormat::Rgb332, PixelFormat::Rgb565}) {
        const bool words = format == PixelFormat::Rgb565;
        QImage row(words ? 65536 : 256, 1, QImage::Format_RGB32);
        QByteArray expected = words ? "#include <stdint.h>\r\n\r\nconst uint16_t array[] = {\r\n"
                                    : "const int8 array[] = {\r\n";
        for (int i = 0; i < row.width(); ++i) {
            row.setPixel(i, 0,
                         words ? qRgb((i >> 11) << 3, ((i >> 5) & 63) << 2, (i & 31) << 3)
                               : qRgb(i & 0xE0, ((i >> 2) & 7) << 5, (i & 3) << 6));
            char value[16];
            std::snprintf(value, sizeof value, "0x%X, ", unsigned(i));
            expected += value;
        }
        expected += "\r\n\r\n};\r\n";
        EXPECT_EQ(ArrayText(SurfaceOf(row), {.format = format}), expected);
    }
}

class MatchesNaiveWriter : public testing::TestWithParam<QSize>
{
};

TEST_P(MatchesNaiveWriter, OnRandomPicturesOfOddSizes)
{
    const QSize size = GetParam();
    for (quint32 seed : {1u, 2u, 3u}) {
        const PictureSurface surface = SurfaceOf(test::Noise(size.width(), size.height(), seed));
        EXPECT_EQ(ArrayText(surface), test::NaiveArray(surface)) << "seed " << seed;
    }
}

// 200003 pixels in a row exceed one output block, so a row is written in several steps.
INSTANTIATE_TEST_SUITE_P(Sizes, MatchesNaiveWriter,
                         testing::Values(QSize(1, 1), QSize(1, 7), QSize(13, 1), QSize(97, 61),
                                         QSize(511, 33), QSize(200003, 2)),
                         [](const auto &info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

class BadOutputs : public testing::TestWithParam<test::BadOutput>
{
};

// Reported with the path and the reason; what was beside the path stays as it was and nothing is
// left behind.
TEST_P(BadOutputs, AreReportedAndWriteNothing)
{
    TempDir dir;
    ASSERT_TRUE(test::MakeOutputFolder(dir.path()));
    const QStringList before = dir.entries();
    const QString path = GetParam().output.isEmpty() ? QString() : dir.path(GetParam().output);

    const Status status = [&] {
        const test::FileSizeLimit limit(GetParam().fileSizeLimit);
        const QSize size = test::kBadOutputPicture;
        return WriteArrayFile(SurfaceOf(test::Pattern(size.width(), size.height())), path);
    }();

    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains(path)) << status.error().toStdString();
    EXPECT_TRUE(status.error().contains(GetParam().reason)) << status.error().toStdString();
    EXPECT_EQ(test::OutputFolderChanges(dir.path()), "");
    EXPECT_EQ(dir.entries(), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, BadOutputs, testing::ValuesIn(test::BadOutputs()), test::RowName);

// A save whose writer reports a failure or runs out of memory, whatever it wrote first, leaves
// the earlier files byte for byte and no temporary file, also when it is the second of two saved
// together; the writer's own message is the one reported.
TEST(SaveFile, FailureOfAWriterKeepsTheEarlierFiles)
{
    for (const std::size_t test : {0u, 1u, 2u, 3u}) {
        const std::size_t failing = test % 2;
        const bool throws = test >= 2;
        TempDir dir;
        const QStringList names = {"array.c", "array.h"};
        for (const QString &name : names)
            ASSERT_TRUE(WriteBytes(dir.path(name), test::kEarlierExport));
        auto failure = [](const QString &name, const QString &reason) { return name + reason; };
        std::vector<SaveTarget> targets;
        for (std::size_t i = 0; i < 2; ++i)
            targets.push_back(
                {dir.path(names[int(i)]), failure, [i, failing, throws](QIODevice &d) {
                     d.write("half of it");
                     if (i == failing && throws)
                         throw std::bad_alloc();
                     return i == failing ? Status::Failure(QStringLiteral("the writer gave up"))
                                         : Status::Ok();
                 }});
        const Status status = SaveFiles(targets);
        EXPECT_EQ(status.error(), throws ? dir.path(names[int(failing)]) + "not enough memory"
                                         : "the writer gave up");
        for (const QString &name : names)
            EXPECT_EQ(ReadBytes(dir.path(name)), test::kEarlierExport) << failing;
        EXPECT_EQ(dir.entries(), names);
    }
}

// Firmware developers paste the file into C or C++ (the default with their own unsigned `int8`),
// or compile it beside its header: every format, with and without PROGMEM, from C99 and C++11 on.
TEST(WriteArrayFile, OutputCompilesAsCAndCxx)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("int8.h"), "typedef unsigned char int8;\n"));
    for (int f = 0; f <= int(PixelFormat::MonoPages); ++f)
        for (const bool progmem : {false, true}) {
            const ExportOptions options{
                .name = "logo", .format = PixelFormat(f), .progmem = progmem};
            const QString source = dir.path("logo.c");
            const QString header = dir.path("logo.h");
            ASSERT_TRUE(
                WriteArrayAndHeaderFiles(SurfaceOf(test::Pattern(19, 7)), source, header, options)
                    .ok());
            EXPECT_EQ(test::CompileErrors(source, {dir.path("int8.h"), header}), "")
                << Info(options.format).name << (progmem ? " with PROGMEM" : "");
        }
}

} // namespace
} // namespace pixolan
