// SPDX-License-Identifier: MIT
#include "convert/array_writer.h"

#include "convert/naive_array.h"
#include "convert/picture_surface.h"
#include "convert/test_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace pixolan {
namespace {

using test::NaiveArray;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

PictureSurface SurfaceOf(const QImage &image)
{
    PictureSurface surface;
    EXPECT_TRUE(surface.SetImage(image));
    return surface;
}

QImage FromRows(const std::vector<std::vector<QRgb>> &rows)
{
    QImage image(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x]);
    return image;
}

QByteArray ArrayText(const PictureSurface &surface)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteArray(surface, buffer, QStringLiteral("memory")).ok());
    return text;
}

struct Example
{
    const char *name;
    std::vector<std::vector<QRgb>> rows;
    QByteArray expected;
};

void PrintTo(const Example &example, std::ostream *out)
{
    *out << example.name;
}

class WorkedExamples : public testing::TestWithParam<Example>
{
};

TEST_P(WorkedExamples, AreWrittenByteForByte)
{
    TempDir dir;
    const QString path = dir.path("array.c");
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(FromRows(GetParam().rows)), path).ok());
    EXPECT_EQ(ReadBytes(path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, WorkedExamples,
    testing::Values(
        Example{
            "one_white_pixel", {{0xFFFFFFFF}}, "const int8 array[] = {\r\n0xFF, \r\n\r\n};\r\n"},
        Example{"two_by_two",
                {{0xFFFFFFFF, 0xFF000000}, {0xFFFF0000, 0xFF0000FF}},
                "const int8 array[] = {\r\n0xFF, 0x0, \r\n\r\n0xE0, 0x3, \r\n\r\n};\r\n"},
        Example{"all_black",
                {{0xFF000000, 0xFF000000, 0xFF000000}, {0xFF000000, 0xFF000000, 0xFF000000}},
                "const int8 array[] = {\r\n0x0, 0x0, 0x0, \r\n\r\n0x0, 0x0, 0x0, \r\n\r\n};\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WriteArrayFile, OneWhitePixelIs38Bytes)
{
    TempDir dir;
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(FromRows({{0xFFFFFFFF}})), dir.path("a.c")).ok());
    EXPECT_EQ(ReadBytes(dir.path("a.c")).size(), 38);
}

TEST(WriteArrayFile, EmptySurfaceGivesFirstAndLastLine)
{
    EXPECT_EQ(ArrayText(PictureSurface()), "const int8 array[] = {\r\n};\r\n");
}

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
    EXPECT_EQ(ArrayText(SurfaceOf(row)), expected);
}

class MatchesNaiveWriter : public testing::TestWithParam<QSize>
{
};

std::string SizeName(const testing::TestParamInfo<QSize> &info)
{
    return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
}

TEST_P(MatchesNaiveWriter, OnRandomPicturesOfOddSizes)
{
    const QSize size = GetParam();
    for (quint32 seed : {1u, 2u, 3u}) {
        const PictureSurface surface = SurfaceOf(test::Noise(size.width(), size.height(), seed));
        EXPECT_EQ(ArrayText(surface), NaiveArray(surface)) << "seed " << seed;
    }
}

// 200003 pixels in a row exceed one output block, so a row is written in several steps.
INSTANTIATE_TEST_SUITE_P(Sizes, MatchesNaiveWriter,
                         testing::Values(QSize(1, 1), QSize(1, 7), QSize(13, 1), QSize(97, 61),
                                         QSize(511, 33), QSize(200003, 2)),
                         SizeName);

TEST(WriteArrayFile, ReplacesAnExistingFileEntirely)
{
    TempDir dir;
    const QString path = dir.path("array.c");
    WriteBytes(path, QByteArray(10000, 'x'));
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(FromRows({{0xFFFFFFFF}})), path).ok());
    EXPECT_EQ(ReadBytes(path), "const int8 array[] = {\r\n0xFF, \r\n\r\n};\r\n");
    EXPECT_EQ(dir.entries(), QStringList{"array.c"});
}

struct BadOutput
{
    const char *name;
    const char *relativePath; // below a fresh temporary folder; empty means an empty path
    const char *reason;       // part of the message
};

void PrintTo(const BadOutput &output, std::ostream *out)
{
    *out << output.name;
}

class BadOutputs : public testing::TestWithParam<BadOutput>
{
};

// Beside the bad path, the folder holds a folder, a file and a named pipe that must stay as they
// are.
TEST_P(BadOutputs, AreReportedAndWriteNothing)
{
    TempDir dir;
    QDir(dir.path("")).mkdir("folder");
    WriteBytes(dir.path("plain.txt"), "kept");
    const QByteArray pipe = QFile::encodeName(dir.path("pipe"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    const QString relative = QString::fromUtf8(GetParam().relativePath);
    const QString path = relative.isEmpty() ? QString() : dir.path(relative);

    const Status status = WriteArrayFile(SurfaceOf(test::Pattern(3, 3)), path);

    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains(path)) << status.error().toStdString();
    EXPECT_TRUE(status.error().contains(GetParam().reason)) << status.error().toStdString();
    EXPECT_EQ(dir.entries(), (QStringList{"folder", "plain.txt"}));
    EXPECT_TRUE(QDir(dir.path("folder")).isEmpty());
    EXPECT_EQ(ReadBytes(dir.path("plain.txt")), "kept");
    struct stat info
    {
    };
    ASSERT_EQ(::lstat(pipe.constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the pipe was replaced";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BadOutputs,
    testing::Values(BadOutput{"empty_path", "", "no file name"},
                    BadOutput{"missing_folder", "no such folder/array.c",
                              "No such file or directory"},
                    BadOutput{"a_folder", "folder", "directory"},
                    BadOutput{"inside_a_file", "plain.txt/array.c", "Not a directory"},
                    // Saving through a temporary file and a rename would put a regular file in
                    // place of a pipe or a device, such as /dev/null for whoever may write /dev.
                    BadOutput{"named_pipe", "pipe", "not a regular file"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WriteArrayFile, WritesToPathsWithSpacesAndAccents)
{
    TempDir dir;
    QDir(dir.path("")).mkdir("mes sorties");
    const QString path = dir.path("mes sorties/écran été.c");
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(FromRows({{0xFFFFFFFF}})), path).ok());
    EXPECT_EQ(ReadBytes(path), "const int8 array[] = {\r\n0xFF, \r\n\r\n};\r\n");
}

// A write that fails half way (here at a file size limit) leaves the earlier file as it was and
// no temporary file behind.
TEST(WriteArrayFile, FailedWriteKeepsTheEarlierFile)
{
    TempDir dir;
    const QString path = dir.path("array.c");
    const QByteArray earlier = "the earlier export\r\n";
    WriteBytes(path, earlier);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const Status status = WriteArrayFile(SurfaceOf(test::Pattern(300, 300)), path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().contains(path)) << status.error().toStdString();
    EXPECT_TRUE(status.error().contains("too large")) << status.error().toStdString();
    EXPECT_EQ(ReadBytes(path), earlier);
    EXPECT_EQ(dir.entries(), QStringList{"array.c"});
}

// Firmware developers paste the file into C or C++ with their own unsigned `int8`.
TEST(WriteArrayFile, OutputCompilesAsCAndCxx)
{
    TempDir dir;
    const QString source = dir.path("array.c");
    ASSERT_TRUE(WriteArrayFile(SurfaceOf(test::Pattern(19, 7)), source).ok());
    WriteBytes(dir.path("int8.h"), "typedef unsigned char int8;\n");

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
