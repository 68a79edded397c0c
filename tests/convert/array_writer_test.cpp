// SPDX-License-Identifier: MIT
#include "convert/write/array_writer.h"

#include "convert/naive_array.h"
#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"
#include "convert/write/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

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

struct Example
{
    std::string name;
    std::vector<std::vector<QRgb>> rows;
    QByteArray expected;
    QString fileName = QStringLiteral("array.c");
    QByteArray earlier = {}; // a file already there, replaced entirely
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
    const Status status = WriteArrayFile(FromRows(GetParam().rows), path);
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
                QByteArray(10000, 'x')}),
    test::RowName);

TEST(WriteArrayFile, WritesEveryValueInUpperCaseHexWithoutLeadingZeros)
{
    // Pixel i of this row packs to i.
    QImage row(256, 1, QImage::Format_RGB32);
    QByteArray expected = "const int8 array[] = {\r\n";
    for (int i = 0; i < 256; ++i) {
        row.setPixel(i, 0, qRgb(i & 0xE0, ((i >> 2) & 7) << 5, (i & 3) << 6));
        char value[8];
        std::snprintf(value, sizeof value, "0x%X, ", unsigned(i));
        expected += value;
    }
    expected += "\r\n\r\n};\r\n";
    EXPECT_EQ(ArrayText(row), expected);
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

// Firmware developers paste the file into C or C++ with their own unsigned `int8`.
TEST(WriteArrayFile, OutputCompilesAsCAndCxx)
{
    TempDir dir;
    const QString source = dir.path("array.c");
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(test::Pattern(19, 7)), source).ok());
    ASSERT_TRUE(WriteBytes(dir.path("int8.h"), "typedef unsigned char int8;\n"));

    for (const char *language : {"c", "c++"}) {
        QProcess compiler;
        compiler.setProcessChannelMode(QProcess::MergedChannels);
        compiler.start(PIXOLAN_CXX_COMPILER,
                       {"-x", language, "-Wall", "-Wextra", "-Werror", "-pedantic", "-include",
                        dir.path("int8.h"), "-c", source, "-o", dir.path("array.o")});
        ASSERT_TRUE(compiler.waitForFinished(60000));
        EXPECT_EQ(compiler.exitCode(), 0) << language << ": " << compiler.readAll().toStdString();
    }
}

} // namespace
} // namespace pixolan
