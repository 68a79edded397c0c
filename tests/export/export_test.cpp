// SPDX-License-Identifier: MIT
// Runs the pixolan-export program as a user's script would and checks its exit status, its
// messages and the files it leaves.
#include "convert/array_writer.h"
#include "convert/picture_surface.h"
#include "convert/test_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace pixolan {
namespace {

using test::Encode;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct Result
{
    int exitCode = -1;
    bool crashed = true;
    QByteArray out;
    QByteArray err;
};

struct RunOptions
{
    QString workingDirectory = {};
    QString standardOutputFile = {};    // instead of capturing standard output
    std::function<void()> inChild = {}; // runs in the child before the program starts
    std::optional<QProcessEnvironment> environment = {};
};

// Every run is without a display: no X server, no Wayland and no Qt platform chosen.
QProcessEnvironment WithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    return environment;
}

Result RunExport(const QStringList &arguments, const RunOptions &options = {})
{
    QProcess process;
    process.setProcessEnvironment(options.environment.value_or(WithoutDisplay()));
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    if (!options.standardOutputFile.isEmpty())
        process.setStandardOutputFile(options.standardOutputFile);
    if (options.inChild)
        process.setChildProcessModifier(options.inChild);
    process.start(QStringLiteral(PIXOLAN_EXPORT_PROGRAM), arguments);
    process.closeWriteChannel();
    Result result;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "pixolan-export did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// What the core writes for the picture at `path`.
QByteArray CoreArray(const QString &path)
{
    PictureSurface surface;
    const Status loaded = surface.Load(path);
    EXPECT_TRUE(loaded.ok()) << loaded.error().toStdString();
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteArray(surface, buffer, "memory").ok());
    return text;
}

// A failure is one line on standard error that names the file and the reason.
void ExpectFailureLine(const Result &result, const QString &file, const char *reason)
{
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    const QString err = QString::fromLocal8Bit(result.err);
    EXPECT_TRUE(err.startsWith("pixolan-export: ")) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.endsWith('\n')) << err.toStdString();
    EXPECT_TRUE(err.contains(file)) << err.toStdString();
    EXPECT_TRUE(err.contains(QLatin1String(reason))) << err.toStdString();
}

// ---------------------------------------------------------------------------------------------
// The command line

struct CommandLine
{
    const char *name;
    QStringList arguments;
    int exitCode;
    const char *said; // part of standard output (exit 0) or standard error (otherwise)
};

void PrintTo(const CommandLine &line, std::ostream *out)
{
    *out << line.name;
}

class CommandLines : public testing::TestWithParam<CommandLine>
{
};

TEST_P(CommandLines, ExitWithTheirStatusAndWriteNothing)
{
    TempDir dir;
    WriteBytes(dir.path("logo.png"), Encode(test::Pattern(3, 2), "png"));
    const Result result = RunExport(GetParam().arguments, {.workingDirectory = dir.path("")});

    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    const QByteArray &said = GetParam().exitCode == 0 ? result.out : result.err;
    const QByteArray &quiet = GetParam().exitCode == 0 ? result.err : result.out;
    EXPECT_TRUE(said.contains(GetParam().said)) << said.toStdString();
    EXPECT_TRUE(quiet.isEmpty()) << quiet.toStdString();
    if (GetParam().exitCode == 2) {
        EXPECT_TRUE(result.err.contains("pixolan-export [options] picture [output]"))
            << result.err.toStdString();
    }
    EXPECT_EQ(dir.entries(), QStringList{"logo.png"});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLines,
    testing::Values(
        CommandLine{"help", {"--help"}, 0, "pixolan-export [options] picture [output]"},
        CommandLine{"short_help", {"-h"}, 0, "--preview <file>"},
        CommandLine{"help_wins_over_a_picture", {"logo.png", "--help"}, 0, "Usage:"},
        CommandLine{"version", {"--version"}, 0, "Pixolan version 1.1"},
        CommandLine{"short_version", {"-v"}, 0, "Pixolan version 1.1"},
        CommandLine{"no_arguments", {}, 2, "no picture given"},
        CommandLine{"three_arguments", {"logo.png", "a.c", "b.c"}, 2, "too many arguments"},
        CommandLine{"unknown_option", {"--frobnicate", "logo.png"}, 2, "frobnicate"},
        CommandLine{"unknown_short_option", {"-x", "logo.png"}, 2, "'x'"},
        CommandLine{"preview_without_its_file", {"logo.png", "--preview"}, 2, "preview"},
        CommandLine{"both_to_standard_output", {"logo.png", "-", "--preview", "-"}, 2, "both"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Version, IsExactlyTheProgramsVersionLine)
{
    EXPECT_EQ(RunExport({"--version"}).out, "Pixolan version 1.1\n");
}

// ---------------------------------------------------------------------------------------------
// Same bytes as the core

struct Format
{
    const char *name;
    std::function<QByteArray()> bytes;
};

void PrintTo(const Format &format, std::ostream *out)
{
    *out << format.name;
}

class Formats : public testing::TestWithParam<Format>
{
};

TEST_P(Formats, GiveTheCoresBytesInAFileAndOnStandardOutput)
{
    TempDir dir;
    const QString picture = dir.path(QStringLiteral("picture.") + GetParam().name);
    WriteBytes(picture, GetParam().bytes());
    const QByteArray expected = CoreArray(picture);
    ASSERT_TRUE(expected.startsWith("const int8 array[] = {\r\n0x"));

    const Result toFile = RunExport({picture, dir.path("out.c")});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_TRUE(toFile.err.isEmpty()) << toFile.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("out.c")), expected);

    const Result toStandardOutput = RunExport({picture, "-"}, {.workingDirectory = dir.path("")});
    EXPECT_EQ(toStandardOutput.exitCode, 0) << toStandardOutput.err.toStdString();
    EXPECT_TRUE(toStandardOutput.err.isEmpty()) << toStandardOutput.err.toStdString();
    EXPECT_EQ(toStandardOutput.out, expected);
    EXPECT_EQ(dir.entries().size(), 2) << "nothing but the picture and out.c";
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Formats,
    testing::Values(Format{"png", [] { return Encode(test::Noise(37, 23, 7), "png"); }},
                    Format{"jpg", [] { return Encode(test::Pattern(37, 23), "jpg", 90); }},
                    Format{"bmp", [] { return test::MakeBmp(test::Pattern(37, 23), 24, false); }},
                    Format{"gif",
                           [] {
                               return test::MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
                                                    {{{0, 1, 2, 3, 2, 1}}});
                           }},
                    // A transparent corner: the export packs the colour laid over white.
                    Format{"transparent_png",
                           [] {
                               QImage image(5, 4, QImage::Format_ARGB32);
                               image.fill(qRgba(10, 200, 90, 255));
                               image.setPixel(0, 0, qRgba(0, 0, 0, 0));
                               image.setPixel(1, 0, qRgba(0, 0, 255, 128));
                               return Encode(image, "png");
                           }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DefaultOutput, IsArrayCInTheWorkingDirectory)
{
    TempDir pictures;
    TempDir work;
    const QString picture = pictures.path("logo.png");
    WriteBytes(picture, Encode(test::Pattern(9, 4), "png"));
    WriteBytes(work.path("array.c"), "an earlier export, replaced entirely");

    const Result result = RunExport({picture}, {.workingDirectory = work.path("")});

    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(work.path("array.c")), CoreArray(picture));
    EXPECT_EQ(work.entries(), QStringList{"array.c"});
    EXPECT_EQ(pictures.entries(), QStringList{"logo.png"});
}

// No X server, no Wayland, no Qt platform and hardly any environment: decoders that come as
// plugins (JPEG, GIF) must still load.
TEST(Environment, NeedsNoDisplay)
{
    TempDir dir;
    WriteBytes(dir.path("photo.jpg"), Encode(test::Pattern(16, 16), "jpg"));
    QProcessEnvironment bare;
    bare.insert("PATH", "/usr/bin:/bin");
    const Result result = RunExport({"photo.jpg", "photo.c"},
                                    {.workingDirectory = dir.path(""), .environment = bare});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("photo.c")), CoreArray(dir.path("photo.jpg")));
}

// ---------------------------------------------------------------------------------------------
// Failures: reported, exit 1, the earlier array file untouched, nothing else left

// The array the export must write for `image`, from the core's writer.
QByteArray ArrayOf(const QImage &image)
{
    PictureSurface surface;
    EXPECT_TRUE(surface.SetImage(image));
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteArray(surface, buffer, "memory").ok());
    return text;
}

// Runs in the child before the program starts: a write past `bytes` fails, and SIGXFSZ is back
// to its default (ending the process), so the program must ignore it itself.
std::function<void()> FileSizeLimit(rlim_t bytes)
{
    return [bytes] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
}

// Runs in the child: at most `bytes` of address space, so that an attempt to allocate a huge
// picture fails rather than succeeds. The sanitizers reserve terabytes of shadow memory up
// front, so there the limit is left out.
std::function<void()> MemoryLimit(rlim_t bytes)
{
#if defined(__SANITIZE_ADDRESS__)
    (void)bytes;
    return {};
#else
    return [bytes] {
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
    };
#endif
}

// A regular file's bytes; nothing for anything else, which may be a pipe that no one writes.
QByteArray Contents(const QString &path)
{
    return QFileInfo(path).isFile() ? ReadBytes(path) : QByteArray();
}

// An awkward picture or output path, in a folder that also holds a good picture "logo.png", an
// earlier export "array.c", an empty folder "folder" and a named pipe "pipe". The program runs
// in that folder as `pixolan-export <picture> <output>`.
struct BadInput
{
    const char *name;
    QString picture = QStringLiteral("logo.png");
    std::function<QByteArray()> bytes = {}; // written to `picture` first, if given
    QString output = QStringLiteral("array.c");
    bool outputRefused = false;   // the message names the output rather than the picture
    const char *reason = nullptr; // in the one line on standard error; null: the export succeeds
    std::function<void()> inChild = {};
    QImage loaded = {}; // what a successful export shows
};

void PrintTo(const BadInput &input, std::ostream *out)
{
    *out << input.name;
}

class BadInputs : public testing::TestWithParam<BadInput>
{
};

// Failures: one line on standard error naming the file and the reason, exit 1, the earlier
// array file byte for byte as it was, the picture untouched and nothing else left behind.
TEST_P(BadInputs, AreReportedAndLoseNothing)
{
    const BadInput &input = GetParam();
    TempDir dir;
    const QByteArray logo = Encode(test::Noise(300, 300, 5), "png"); // 500 kB as an array
    WriteBytes(dir.path("logo.png"), logo);
    WriteBytes(dir.path("array.c"), "the earlier export");
    ASSERT_TRUE(QDir().mkdir(dir.path("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path("pipe")).constData(), 0600), 0);
    if (input.bytes)
        WriteBytes(dir.path(input.picture), input.bytes());
    const QByteArray picture = Contents(dir.path(input.picture));
    const QStringList before = dir.entries();

    const Result result = RunExport({input.picture, input.output},
                                    {.workingDirectory = dir.path(""), .inChild = input.inChild});

    if (!input.reason) {
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
        EXPECT_EQ(ReadBytes(dir.path(input.output)), ArrayOf(input.loaded));
    } else {
        ExpectFailureLine(result, input.outputRefused ? input.output : input.picture, input.reason);
        EXPECT_EQ(ReadBytes(dir.path("array.c")), "the earlier export");
        EXPECT_TRUE(QDir(dir.path("folder")).isEmpty());
    }
    EXPECT_EQ(Contents(dir.path(input.picture)), picture);
    EXPECT_EQ(ReadBytes(dir.path("logo.png")), logo);
    EXPECT_EQ(dir.entries(), before);
}

using test::BmpWith;
using test::Cut;

constexpr const char *kCutShort = "picture is cut short";
constexpr const char *kBmpHeader = "a BMP whose header is damaged or of a kind that cannot be read";

std::function<QByteArray()> Bytes(QByteArray bytes)
{
    return [bytes] { return bytes; };
}

std::function<QByteArray()> Bmp(std::vector<std::pair<test::BmpField, std::int64_t>> changes)
{
    return [changes] { return BmpWith(changes); };
}

BadInput CutShort(const char *name, const char *format, Cut where)
{
    return {.name = name,
            .picture = QStringLiteral("cut.") + QLatin1String(format),
            .bytes = [=] { return test::CutShort(format, where); },
            .reason = kCutShort};
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadInputs,
    testing::Values(
        // Pictures
        BadInput{.name = "zero_byte_file",
                 .picture = "empty.png",
                 .bytes = Bytes(""),
                 .reason = "empty file, not a picture"},
        CutShort("png_cut_in_its_header", "png", Cut::InHeader),
        CutShort("png_cut_half_way", "png", Cut::HalfWay),
        CutShort("png_last_byte_missing", "png", Cut::LastBytes),
        CutShort("jpg_cut_in_its_header", "jpg", Cut::InHeader),
        CutShort("jpg_cut_half_way", "jpg", Cut::HalfWay),
        CutShort("jpg_last_byte_missing", "jpg", Cut::LastBytes),
        CutShort("gif_cut_in_its_header", "gif", Cut::InHeader),
        CutShort("gif_cut_half_way", "gif", Cut::HalfWay),
        CutShort("gif_last_bytes_missing", "gif", Cut::LastBytes),
        CutShort("bmp_cut_in_its_header", "bmp", Cut::InHeader),
        CutShort("bmp_cut_half_way", "bmp", Cut::HalfWay),
        CutShort("bmp_last_byte_missing", "bmp", Cut::LastBytes),
        // libpng reports the damage on standard error by itself.
        BadInput{.name = "png_with_damaged_data",
                 .picture = "damaged.png",
                 .bytes = [] { return test::PngWithDamagedData(); },
                 .reason = "not a picture, or a damaged one"},
        BadInput{.name = "text_named_jpg",
                 .picture = "photo.jpg",
                 .bytes = Bytes("hello\n"),
                 .reason = "not a picture"},
        // Refused from its header, within the memory limit: no 40 GB decode is tried.
        BadInput{.name = "png_header_claims_100000_square",
                 .picture = "huge.png",
                 .bytes = [] { return test::PngHeaderOnly(100000, 100000); },
                 .reason = "picture too large (100000 x 100000 pixels",
                 .inChild = MemoryLimit(rlim_t(1) << 30)},
        BadInput{.name = "bmp_negative_width",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpWidth, -6}}),
                 .reason = kBmpHeader},
        BadInput{.name = "bmp_zero_width",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpWidth, 0}}),
                 .reason = kBmpHeader},
        BadInput{.name = "bmp_zero_planes",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpPlanes, 0}}),
                 .reason = kBmpHeader},
        BadInput{.name = "bmp_unknown_bit_depth",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpBitsPerPixel, 7}}),
                 .reason = kBmpHeader},
        BadInput{.name = "bmp_data_offset_past_the_end",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpDataOffset, 100000}}),
                 .reason = kCutShort},
        BadInput{.name = "bmp_width_times_height_overflows",
                 .picture = "odd.bmp",
                 .bytes = Bmp({{test::kBmpWidth, 65536}, {test::kBmpHeight, 65536}}),
                 .reason = "picture too large (65536 x 65536 pixels",
                 .inChild = MemoryLimit(rlim_t(1) << 30)},
        BadInput{.name = "bmp_negative_height_is_top_down",
                 .picture = "top down.bmp",
                 .bytes = [] { return test::MakeBmp(test::Pattern(7, 5), 24, true); },
                 .loaded = test::Pattern(7, 5)},
        BadInput{.name = "missing_file", .picture = "gone.png", .reason = "file not found"},
        BadInput{
            .name = "folder", .picture = "folder", .reason = "this is a folder, not a picture"},
        BadInput{.name = "named_pipe", .picture = "pipe", .reason = "not a regular file"},
        BadInput{.name = "spaces_and_non_ascii_in_the_path",
                 .picture = "mes images/été 2026 ✓.png",
                 .bytes = [] { return Encode(test::Pattern(6, 4), "png"); },
                 .output = "mes images/sortie é.c",
                 .loaded = test::Pattern(6, 4)},
        // Outputs
        BadInput{.name = "empty_output_path",
                 .output = "",
                 .outputRefused = true,
                 .reason = "no file name was given"},
        BadInput{.name = "output_folder_missing",
                 .output = "no such folder/array.c",
                 .outputRefused = true,
                 .reason = "No such file or directory"},
        BadInput{.name = "output_is_a_folder",
                 .output = "folder",
                 .outputRefused = true,
                 .reason = "directory"},
        // A write that fails half way: the 500 kB array against a 64 kB limit.
        BadInput{.name = "write_fails_half_way",
                 .outputRefused = true,
                 .reason = "File too large",
                 .inChild = FileSizeLimit(64 * 1024)},
        BadInput{.name = "output_is_the_picture",
                 .output = "logo.png",
                 .outputRefused = true,
                 .reason = "it is the picture itself"},
        BadInput{.name = "output_is_the_picture_by_another_name",
                 .output = "./folder/../logo.png",
                 .outputRefused = true,
                 .reason = "it is the picture itself"},
        // Saving replaces the target by rename: a pipe would become a regular file.
        BadInput{.name = "output_is_a_named_pipe",
                 .output = "pipe",
                 .outputRefused = true,
                 .reason = "not a regular file (a device, pipe or socket)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Failures, FullStandardOutput)
{
    TempDir dir;
    const QString picture = dir.path("logo.png");
    WriteBytes(picture, Encode(test::Noise(300, 300, 5), "png"));
    const Result result = RunExport({picture, "-"}, {.standardOutputFile = "/dev/full"});
    ExpectFailureLine(result, "standard output", "No space left on device");
    // The preview's PNG writer reports the failed write on standard error by itself.
    const Result preview = RunExport({picture, dir.path("array.c"), "--preview", "-"},
                                     {.standardOutputFile = "/dev/full"});
    ExpectFailureLine(preview, "standard output", "No space left on device");
}

// ---------------------------------------------------------------------------------------------
// The preview

// A picture whose preview is worked out by hand: each colour and the colour the display shows.
struct Shown
{
    QRgb picture;
    QRgb preview;
};

constexpr Shown kShown[] = {
    {qRgb(255, 255, 255), qRgb(255, 255, 255)}, {qRgb(31, 31, 63), qRgb(0, 0, 0)},
    {qRgb(200, 100, 50), qRgb(219, 109, 0)},    {qRgb(128, 128, 128), qRgb(146, 146, 170)},
    {qRgb(32, 64, 64), qRgb(36, 73, 85)},       {qRgb(10, 250, 190), qRgb(0, 255, 170)},
};

class Preview : public testing::Test
{
protected:
    void SetUp() override
    {
        QImage image(int(std::size(kShown)), 1, QImage::Format_RGB32);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, 0, kShown[x].picture);
        WriteBytes(picture, Encode(image, "png"));
    }

    static void ExpectShown(const QImage &preview)
    {
        ASSERT_EQ(preview.size(), QSize(int(std::size(kShown)), 1));
        for (int x = 0; x < preview.width(); ++x)
            EXPECT_EQ(preview.pixel(x, 0), kShown[x].preview) << "x " << x;
    }

    TempDir dir;
    const QString picture = dir.path("colours.png");
};

TEST_F(Preview, ShowsThePictureAsTheDisplayWillAndKeepsTheArray)
{
    const Result result =
        RunExport({picture, dir.path("array.c"), "--preview", dir.path("shown.png")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("array.c")), CoreArray(picture));
    ExpectShown(QImage(dir.path("shown.png")));
}

TEST_F(Preview, GoesToStandardOutputForDash)
{
    const Result result = RunExport({picture, dir.path("array.c"), "--preview", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("array.c")), CoreArray(picture));
    ExpectShown(QImage::fromData(result.out, "png"));
}

TEST_F(Preview, FailuresAreReported)
{
    const QString missing = dir.path("no such folder/shown.png");
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", missing}), missing,
                      "Cannot write the preview");
    EXPECT_FALSE(QFile::exists(dir.path("no such folder")));

    // Neither the picture nor the array file is ever overwritten by the preview; both are
    // refused before anything is written.
    const QByteArray pictureBytes = ReadBytes(picture);
    QFile::remove(dir.path("array.c"));
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", picture}), picture,
                      "it is the picture itself");
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", dir.path("./array.c")}),
                      dir.path("./array.c"), "it is the array file");
    EXPECT_EQ(ReadBytes(picture), pictureBytes);
    EXPECT_EQ(dir.entries(), QStringList{"colours.png"});

    // A named pipe stays a pipe: saving by rename would put a regular file in its place.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path("pipe")).constData(), 0600), 0);
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", dir.path("pipe")}),
                      dir.path("pipe"), "not a regular file");
    EXPECT_FALSE(QFileInfo(dir.path("pipe")).isFile());
}

} // namespace
} // namespace pixolan
