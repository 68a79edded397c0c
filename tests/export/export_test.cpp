// SPDX-License-Identifier: MIT
// Runs the pixolan-export program as a user's script would and checks its exit status, its
// messages and the files it leaves.
#include "convert/read/picture_surface.h"
#include "convert/test_pictures.h"
#include "convert/write/preview.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>

namespace pixolan {
namespace {

using test::ArrayTextOf;
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
// `added` holds NAME=value settings.
QProcessEnvironment WithoutDisplay(const QStringList &added = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    for (const QString &variable : added)
        environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
    return environment;
}

// Preloads failing_sync.cpp. (A sanitizer's runtime would refuse to come after it.)
const QStringList kFailingSync = {"LD_PRELOAD=" PIXOLAN_FAILING_SYNC,
                                  "ASAN_OPTIONS=verify_asan_link_order=0:" +
                                      qEnvironmentVariable("ASAN_OPTIONS")};

Result RunExport(const QStringList &arguments, const RunOptions &options = {})
{
    QProcess process;
    process.setProcessEnvironment(options.environment.value_or(WithoutDisplay()));
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    if (!options.standardOutputFile.isEmpty())
        process.setStandardOutputFile(options.standardOutputFile);
    // SIGXFSZ ends the process by default: past a file size limit the program must ignore it
    // itself, whatever this test ignores.
    process.setChildProcessModifier([&options] {
        std::signal(SIGXFSZ, SIG_DFL);
        if (options.inChild)
            options.inChild();
    });
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

// A failure is one line on standard error that names the file and the reason.
void ExpectFailureLine(const Result &result, QString file, const QString &reason)
{
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    const QString err = QString::fromLocal8Bit(result.err);
    EXPECT_TRUE(err.startsWith("pixolan-export: ")) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.endsWith('\n')) << err.toStdString();
    EXPECT_TRUE(err.contains(file.replace('\n', ' '))) << err.toStdString();
    EXPECT_TRUE(err.contains(reason)) << err.toStdString();
}

// ---------------------------------------------------------------------------------------------
// The command line

struct CommandLine
{
    std::string name;
    QStringList arguments;
    int exitCode;
    const char *said; // part of standard output (exit 0) or standard error (otherwise)
    friend void PrintTo(const CommandLine &row, std::ostream *out) { *out << row.name; }
};

class CommandLines : public testing::TestWithParam<CommandLine>
{
};

TEST_P(CommandLines, ExitWithTheirStatusAndWriteNothing)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("logo.png"), Encode(test::Pattern(3, 2), "png")));
    const Result result = RunExport(GetParam().arguments, {.workingDirectory = dir.path()});

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
        CommandLine{"both_to_standard_output", {"logo.png", "-", "--preview", "-"}, 2, "both"},
        CommandLine{
            "header_and_array_to_standard_output", {"logo.png", "-", "--header", "-"}, 2, "both"},
        CommandLine{"name_with_a_digit_first", {"logo.png", "--name", "2logo"}, 2, "digit"},
        CommandLine{"name_a_keyword", {"--name", "class", "logo.png"}, 2, "keyword of C++"},
        CommandLine{"name_twice", {"--name", "a", "--name", "b", "logo.png"}, 2, "more than once"},
        CommandLine{"resize_zero", {"--resize", "0x240", "logo.png"}, 2, "WIDTHxHEIGHT"},
        CommandLine{"resize_too_large", {"--resize", "320x16385", "logo.png"}, 2, "16384"},
        CommandLine{"resize_one_number", {"--resize", "320", "logo.png"}, 2, "WIDTHxHEIGHT"},
        CommandLine{"resize_signed", {"--resize", "+3x-2", "logo.png"}, 2, "WIDTHxHEIGHT"},
        CommandLine{"fit_unknown", {"--resize", "2x2", "--fit", "fill", "logo.png"}, 2, "cover"},
        CommandLine{"fit_without_resize", {"--fit", "cover", "logo.png"}, 2, "--resize"},
        CommandLine{
            "filter_unknown", {"--resize", "2x2", "--filter", "x", "logo.png"}, 2, "nearest"},
        CommandLine{"background_not_hex", {"--background", "12345G", "logo.png"}, 2, "RRGGBB"},
        CommandLine{"background_short", {"--background", "#FFF", "logo.png"}, 2, "RRGGBB"},
        CommandLine{"dither_unknown", {"--dither", "random", "logo.png"}, 2, "ordered"},
        CommandLine{"background_too_long", {"--background", "FFFFFF00", "logo.png"}, 2, "RRGGBB"},
        CommandLine{"filter_without_resize", {"--filter", "nearest", "logo.png"}, 2, "--resize"},
        CommandLine{"name_clashing_with_a_header_macro",
                    {"--name", "size", "--header", "h.h", "logo.png"},
                    2,
                    "SIZE_WIDTH"},
        // Contain pads 3 x 2 to 3 x 4 with a row of E9C3A5 above: red 7, green 6, blue 2.
        CommandLine{"background_pads_the_picture",
                    {"--resize", "3x4", "--background", "E9c3A5", "logo.png", "-"},
                    0,
                    "{\r\n0xFA, 0xFA, 0xFA, \r\n"},
        CommandLine{"resize_largest", {"--resize", "16384x1", "logo.png", "-"}, 0, "0xFF, 0x"},
        CommandLine{"resize_upper_case_x", {"--resize", "3X2", "logo.png", "-"}, 0, "array[]"},
        CommandLine{"format_unknown", {"--format", "rgb555", "logo.png"}, 2, "rgb565be, rgb666"},
        CommandLine{"format_mono_to_standard_output",
                    {"--format", "mono", "--invert", "--threshold", "9", "logo.png", "-"},
                    0,
                    "const uint8_t array[] = {\r\n0x"},
        CommandLine{"threshold_with_a_colour_format",
                    {"--format", "rgb565", "--threshold", "100", "logo.png"},
                    2,
                    "--threshold goes with the 1-bit formats"},
        CommandLine{"invert_with_the_default_format", {"--invert", "logo.png"}, 2, "not rgb332"},
        CommandLine{
            "threshold_zero", {"--format", "mono", "--threshold", "0", "logo.png"}, 2, "1 to 255"},
        CommandLine{"threshold_above_255",
                    {"--format", "mono", "--threshold", "256", "logo.png"},
                    2,
                    "1 to 255"},
        CommandLine{"threshold_with_a_dither",
                    {"--format", "mono", "--threshold", "99", "--dither", "fs", "logo.png"},
                    2,
                    "--dither none"},
        CommandLine{"dither_of_eight_bits",
                    {"--format", "gray8", "--dither", "ordered", "logo.png"},
                    2,
                    "nothing to dither"},
        CommandLine{"binary_with_progmem", {"--binary", "--progmem", "logo.png"}, 2, "--binary"},
        CommandLine{"frames_with_tiles",
                    {"--frames", "--tiles", "1x1", "logo.png"},
                    2,
                    "--frames and --tiles do not go together"},
        CommandLine{"rotate_45", {"--rotate", "45", "logo.png"}, 2, "90, 180 or 270"},
        CommandLine{
            "flip_diagonal", {"--flip", "diagonal", "logo.png"}, 2, "horizontal or vertical"},
        CommandLine{"tiles_zero", {"--tiles", "0x2", "logo.png"}, 2, "WIDTHxHEIGHT"},
        CommandLine{"tiles_not_dividing", {"--tiles", "2x2", "logo.png"}, 1, "3 x 2 pixels"},
        CommandLine{
            "tiles_to_standard_output", {"--tiles", "1x2", "logo.png", "-"}, 0, "/* tile 2 */"},
        CommandLine{
            "frames_of_a_still_picture", {"--frames", "logo.png", "-"}, 0, "/* frame 0: 0 ms */"},
        CommandLine{"lvgl_to_standard_output",
                    {"--lvgl", "9", "--format", "rgb565", "logo.png", "-"},
                    0,
                    "const lv_image_dsc_t array = {"},
        CommandLine{"lvgl_unknown_version", {"--lvgl", "7", "logo.png"}, 2, "give 9 or 8"},
        CommandLine{"lvgl_binary_with_frames",
                    {"--lvgl", "9", "--frames", "--binary", "logo.png"},
                    2,
                    "one image"},
        CommandLine{"lvgl_9_without_the_format",
                    {"--lvgl", "9", "--format", "rgb666", "logo.png"},
                    2,
                    "--lvgl 9 takes --format rgb565, rgb565be, rgb888, gray8, rgb332, gray4 or "
                    "mono, not rgb666"},
        CommandLine{"lvgl_8_without_the_format",
                    {"--lvgl", "8", "--format", "gray4", "logo.png"},
                    2,
                    "--lvgl 8 takes --format rgb332, rgb565, rgb565be or mono, not gray4"},
        CommandLine{"alpha_without_lvgl", {"--alpha", "logo.png"}, 2, "--alpha goes with --lvgl"},
        CommandLine{"alpha_of_a_palette",
                    {"--lvgl", "9", "--alpha", "--format", "gray4", "logo.png"},
                    2,
                    "--lvgl 9 with --alpha takes --format rgb565 or rgb888, not gray4"},
        CommandLine{
            "lvgl_with_progmem", {"--lvgl", "8", "--progmem", "logo.png"}, 2, "LARGE_CONST"},
        CommandLine{"lvgl_8_wider_than_2047",
                    {"--resize", "2048x1", "--lvgl", "8", "logo.png", "logo.c"},
                    1,
                    "an LVGL 8 image is at most 2047 x 2047 pixels, and this picture is 2048 x 1"},
        CommandLine{"lvgl_9_row_over_65535_bytes",
                    {"--resize", "16384x1", "--lvgl", "9", "--format", "rgb888", "--alpha",
                     "logo.png", "logo.bin", "--binary"},
                    1,
                    "at most 65535 bytes, and one of this picture in LV_COLOR_FORMAT_ARGB8888 "
                    "is 65536"}),
    test::RowName);

TEST(Version, IsExactlyTheProgramsVersionLine)
{
    EXPECT_EQ(RunExport({"--version"}).out, "Pixolan version 1.1\n");
}

// ---------------------------------------------------------------------------------------------
// Same bytes as the core

struct Format
{
    std::string name;
    QString fileName;
    std::function<QByteArray()> bytes;
    friend void PrintTo(const Format &row, std::ostream *out) { *out << row.name; }
};

class Formats : public testing::TestWithParam<Format>
{
};

TEST_P(Formats, GiveTheCoresBytesInAFileAndOnStandardOutput)
{
    TempDir dir;
    const QString picture = dir.path(GetParam().fileName);
    ASSERT_TRUE(WriteBytes(picture, GetParam().bytes()));
    const QByteArray expected = ArrayTextOf(picture);
    ASSERT_TRUE(expected.startsWith("const int8 array[] = {\r\n0x"));

    const QString output = dir.path("sortie é ✓.c");
    const Result toFile = RunExport({picture, output});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_TRUE(toFile.err.isEmpty()) << toFile.err.toStdString();
    EXPECT_EQ(ReadBytes(output), expected);

    const Result toStandardOutput = RunExport({picture, "-"}, {.workingDirectory = dir.path()});
    EXPECT_EQ(toStandardOutput.exitCode, 0) << toStandardOutput.err.toStdString();
    EXPECT_TRUE(toStandardOutput.err.isEmpty()) << toStandardOutput.err.toStdString();
    EXPECT_EQ(toStandardOutput.out, expected);
    EXPECT_EQ(dir.entries().size(), 2) << "nothing but the picture and the output";
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Formats,
    testing::Values(
        Format{"png", "picture.png", [] { return Encode(test::Noise(37, 23, 7), "png"); }},
        Format{"jpg", "picture.jpg", [] { return Encode(test::Pattern(37, 23), "jpg", 90); }},
        Format{"bmp", "picture.bmp",
               [] { return test::MakeBmp(test::Pattern(37, 23), 24, false); }},
        Format{"gif", "picture.gif",
               [] {
                   return test::MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
                                        {{{0, 1, 2, 3, 2, 1}}});
               }},
        // A transparent corner: the export packs the colour laid over white.
        Format{"transparent_png", "picture.png",
               [] {
                   QImage image(5, 4, QImage::Format_ARGB32);
                   image.fill(qRgba(10, 200, 90, 255));
                   image.setPixel(0, 0, qRgba(0, 0, 0, 0));
                   image.setPixel(1, 0, qRgba(0, 0, 255, 128));
                   return Encode(image, "png");
               }},
        Format{"spaces_and_non_ascii_in_the_path", "mes images/été 2026 ✓.png",
               [] { return Encode(test::Pattern(6, 4), "png"); }}),
    test::RowName);

// Every option at once gives the core's bytes for the array, its header and its preview.
TEST(Options, GiveTheCoresArrayHeaderAndPreview)
{
    TempDir dir;
    QImage picture = test::Pattern(40, 10).convertToFormat(QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 100));
    WriteBytes(dir.path("logo.png"), Encode(picture, "png"));
    const Result result =
        RunExport({"--name", "logo", "--header", "logo.h", "--resize", "16x8", "--fit", "cover",
                   "--filter", "nearest", "--background", "#20A0ff", "--dither", "fs", "--preview",
                   "lcd.png", "logo.png", "logo.c"},
                  {.workingDirectory = dir.path("")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty() && result.out.isEmpty());

    const ExportOptions options{.name = "logo",
                                .background = 0xFF20A0FF,
                                .size = QSize(16, 8),
                                .fit = Fit::Cover,
                                .filter = Filter::Nearest,
                                .dither = Dither::FloydSteinberg};
    PictureSurface surface;
    ASSERT_TRUE(surface.Load(dir.path("logo.png"), options).ok());
    ASSERT_EQ(surface.Image().size(), QSize(16, 8));
    const QByteArray header = test::HeaderText(surface, options);
    EXPECT_EQ(ReadBytes(dir.path("logo.c")), test::ArrayText(surface, options));
    EXPECT_EQ(ReadBytes(dir.path("logo.h")), header);
    EXPECT_TRUE(header.contains("#define LOGO_WIDTH 16\r\n#define LOGO_HEIGHT 8\r\n"));
    EXPECT_EQ(QImage(dir.path("lcd.png")), PreviewImage(surface, options));
}

TEST(DefaultOutput, IsArrayCInTheWorkingDirectory)
{
    TempDir pictures;
    TempDir work;
    const QString picture = pictures.path("logo.png");
    ASSERT_TRUE(WriteBytes(picture, Encode(test::Pattern(9, 4), "png")));
    ASSERT_TRUE(WriteBytes(work.path("array.c"), "an earlier export, replaced entirely"));

    const Result result = RunExport({picture}, {.workingDirectory = work.path()});

    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(work.path("array.c")), ArrayTextOf(picture));
    EXPECT_EQ(work.entries(), QStringList{"array.c"});
    EXPECT_EQ(pictures.entries(), QStringList{"logo.png"});
}

// No X server, no Wayland, no Qt platform and hardly any environment: decoders that come as
// plugins (JPEG, GIF) must still load.
TEST(Environment, NeedsNoDisplay)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("photo.jpg"), Encode(test::Pattern(16, 16), "jpg")));
    QProcessEnvironment bare;
    bare.insert("PATH", "/usr/bin:/bin");
    const Result result =
        RunExport({"photo.jpg", "photo.c"}, {.workingDirectory = dir.path(), .environment = bare});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("photo.c")), ArrayTextOf(dir.path("photo.jpg")));
}

// ---------------------------------------------------------------------------------------------
// Run again, a file whose bytes stay the same is left alone, its date and inode included

struct Rerun
{
    std::string name;
    QStringList options = {}; // the second run's besides the first's
    QString output = QStringLiteral("logo.c");
    std::function<QByteArray(QByteArray)> changeArray = {}; // done to logo.c before it
    QStringList replaced = {};
    friend void PrintTo(const Rerun &row, std::ostream *out) { *out << row.name; }
};

class Reruns : public testing::TestWithParam<Rerun>
{
};

TEST_P(Reruns, ReplaceOnlyTheFilesWhoseBytesChange)
{
    const Rerun &row = GetParam();
    TempDir dir, fresh; // fresh: what the second run writes where nothing was
    for (const TempDir *folder : {&dir, &fresh})
        ASSERT_TRUE(WriteBytes(folder->path("logo.png"), Encode(test::Noise(300, 200, 3), "png")));
    const QStringList files = {"logo.c", "logo.h", "lcd.png"};
    const QStringList first = {"--header", "logo.h", "--preview", "lcd.png", "logo.png"};
    ASSERT_EQ(RunExport(first + QStringList{"logo.c"}, {.workingDirectory = dir.path()}).exitCode,
              0);
    if (row.changeArray) {
        ASSERT_TRUE(WriteBytes(dir.path("logo.c"), row.changeArray(ReadBytes(dir.path("logo.c")))));
    }
    std::vector<std::string> before;
    for (const QString &file : files) {
        ASSERT_TRUE(test::Backdate(dir.path(file)));
        before.push_back(test::FileIdentity(dir.path(file)));
    }

    const QStringList second = row.options + first + QStringList{row.output};
    const Result result = RunExport(second, {.workingDirectory = dir.path()});
    const Result expected = RunExport(second, {.workingDirectory = fresh.path()});

    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, expected.out);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const QString &file = files[qsizetype(i)];
        EXPECT_EQ(test::FileIdentity(dir.path(file)) != before[i], row.replaced.contains(file))
            << file.toStdString();
        if (QFile::exists(fresh.path(file))) {
            EXPECT_EQ(ReadBytes(dir.path(file)), ReadBytes(fresh.path(file))) << file.toStdString();
        }
    }
    EXPECT_EQ(dir.entries(), QStringList({"lcd.png", "logo.c", "logo.h", "logo.png"}));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, Reruns,
    testing::Values(Rerun{"same_options"},
                    Rerun{.name = "another_name",
                          .options = {"--name", "logo"},
                          .replaced = {"logo.c", "logo.h"}},
                    Rerun{.name = "another_dither",
                          .options = {"--dither", "ordered"},
                          .replaced = {"logo.c", "lcd.png"}},
                    // Standard output is written all the same; the files beside it are left alone.
                    Rerun{.name = "array_to_standard_output", .output = "-"},
                    // The earlier array compared to its end and no further.
                    Rerun{.name = "earlier_array_a_byte_longer",
                          .changeArray = [](QByteArray bytes) { return bytes + ' '; },
                          .replaced = {"logo.c"}},
                    Rerun{.name = "earlier_array_a_byte_shorter",
                          .changeArray = [](QByteArray bytes) { return bytes.chopped(1); },
                          .replaced = {"logo.c"}},
                    Rerun{.name = "earlier_array_different_in_its_last_byte",
                          .changeArray = [](QByteArray bytes) { return bytes.chopped(1) + 'x'; },
                          .replaced = {"logo.c"}}),
    test::RowName);

// ---------------------------------------------------------------------------------------------
// Failures: reported, exit 1, the earlier array file untouched, nothing else left

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

// `pixolan-export <picture> <output>`, run in a folder that holds a good picture "logo.png" and
// what MakeOutputFolder() makes.
struct BadRun
{
    std::string name;
    QString picture = QStringLiteral("logo.png");
    std::function<bool(const QString &)> make = {}; // makes `picture` first, if given
    QString output = QStringLiteral("array.c");
    QString reason = {};
    rlim_t fileSizeLimit = 0;
    std::function<void()> inChild = {};
    bool outputNamed = false;     // the message names the output rather than the picture
    QStringList options = {};     // before the picture and the output
    QString named = {};           // the file the message names, if neither of those
    QStringList environment = {}; // NAME=value, added to the program's
    friend void PrintTo(const BadRun &row, std::ostream *out) { *out << row.name; }
};

// A row of the bad pictures.
BadRun Picture(const char *name, std::function<void()> inChild = {})
{
    const test::BadPicture &bad = test::BadPictureNamed(name);
    return {.name = name,
            .picture = bad.fileName,
            .make = bad.make,
            .reason = bad.reason,
            .inChild = std::move(inChild)};
}

// A row of the bad outputs.
BadRun Output(const char *name)
{
    const test::BadOutput &bad = test::BadOutputNamed(name);
    return {.name = name,
            .output = bad.output,
            .reason = bad.reason,
            .fileSizeLimit = bad.fileSizeLimit,
            .outputNamed = true};
}

class BadRuns : public testing::TestWithParam<BadRun>
{
};

TEST_P(BadRuns, AreReportedAndLoseNothing)
{
    const BadRun &run = GetParam();
    TempDir dir;
    const QSize size = test::kBadOutputPicture;
    const QByteArray logo = Encode(test::Noise(size.width(), size.height(), 5), "png");
    ASSERT_TRUE(WriteBytes(dir.path("logo.png"), logo));
    ASSERT_TRUE(test::MakeOutputFolder(dir.path()));
    if (run.make) {
        ASSERT_TRUE(run.make(dir.path(run.picture)));
    }
    const QByteArray picture = Contents(dir.path(run.picture));
    const QStringList before = dir.entries();

    const Result result = [&] {
        const test::FileSizeLimit limit(run.fileSizeLimit);
        const QProcessEnvironment environment = WithoutDisplay(run.environment);
        return RunExport(
            run.options + QStringList{run.picture, run.output},
            {.workingDirectory = dir.path(), .inChild = run.inChild, .environment = environment});
    }();

    ExpectFailureLine(result,
                      !run.named.isEmpty() ? run.named
                      : run.outputNamed    ? run.output
                                           : run.picture,
                      run.reason);
    EXPECT_EQ(test::OutputFolderChanges(dir.path()), "");
    EXPECT_EQ(Contents(dir.path(run.picture)), picture);
    EXPECT_EQ(ReadBytes(dir.path("logo.png")), logo);
    EXPECT_EQ(dir.entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadRuns,
    testing::Values(
        Picture("text_named_jpg"), Picture("png_cut_half_way"), Picture("png_with_damaged_data"),
        // However the file is named, the failure stays one line.
        Picture("missing_file_with_a_line_break_in_its_name"),
        // Refused from their headers within a 1 GB address space: no huge decode is tried.
        Picture("huge_png_header", MemoryLimit(rlim_t(1) << 30)),
        Picture("bmp_width_times_height_overflows", MemoryLimit(rlim_t(1) << 30)),
        Output("empty_path"), Output("named_pipe"), Output("write_fails_half_way"),
        // All written, then the sync fails: no rename, no success.
        BadRun{.name = "sync_fails",
               .reason = "Input/output error",
               .outputNamed = true,
               .environment = kFailingSync},
        BadRun{.name = "output_is_the_picture_by_another_name",
               .output = "./folder/../logo.png",
               .reason = "it is the picture itself",
               .outputNamed = true},
        // Two spellings of one file that does not exist yet, the second through a linked folder.
        BadRun{.name = "header_is_the_array_spelled_otherwise",
               .output = "new.c",
               .reason = "it is the array file",
               .options = {"--header", "./new.c"},
               .named = "./new.c"},
        BadRun{.name = "preview_is_the_header_spelled_otherwise",
               .reason = "it is the header",
               .options = {"--header", "h.h", "--preview", "/proc/self/cwd/folder/../h.h"},
               .named = "/proc/self/cwd/folder/../h.h"},
        // The array and its header are replaced together or not at all.
        BadRun{.name = "header_in_a_missing_folder",
               .reason = "No such file or directory",
               .options = {"--header", "no such folder/array.h"},
               .named = "no such folder/array.h"},
        BadRun{.name = "header_without_a_name",
               .reason = "no file name was given",
               .options = {"--header", "", "--preview", ""},
               .named = "header"},
        // The header file first: nothing goes to standard output when it cannot be written.
        BadRun{.name = "header_failing_with_the_array_to_standard_output",
               .output = "-",
               .reason = "File too large",
               .fileSizeLimit = 100,
               .options = {"--header", "array.h"},
               .named = "array.h"}),
    test::RowName);

// Standard output that takes nothing, for the array and for the preview.
TEST(Failures, FullStandardOutput)
{
    TempDir dir;
    const QString picture = dir.path("logo.png");
    ASSERT_TRUE(WriteBytes(picture, Encode(test::Noise(300, 300, 5), "png")));
    for (const QStringList &output : {QStringList{"-"}, QStringList{"array.c", "--preview", "-"}}) {
        const Result result =
            RunExport(QStringList{picture} + output,
                      {.workingDirectory = dir.path(), .standardOutputFile = "/dev/full"});
        ExpectFailureLine(result, "standard output", "No space left on device");
    }
}

// The header's rename fails after the array's: the message says that the array was replaced.
TEST(Failures, AFailedRenameSaysWhatWasReplaced)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.path("logo.png"), Encode(test::Pattern(3, 2), "png")));
    ASSERT_TRUE(WriteBytes(dir.path("array.h"), "earlier header"));
    const Result result =
        RunExport({"--header", "array.h", "logo.png", "array.c"},
                  {.workingDirectory = dir.path(),
                   .environment = WithoutDisplay(kFailingSync +
                                                 QStringList{"PIXOLAN_FAILING_RENAME=array.h"})});
    EXPECT_EQ(result.err, "pixolan-export: Cannot write the header \"array.h\": Permission denied; "
                          "\"array.c\" was replaced all the same\n");
    EXPECT_EQ(ReadBytes(dir.path("array.h")), "earlier header");
}

// ---------------------------------------------------------------------------------------------
// The preview

class Preview : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(WriteBytes(picture, Encode(test::ShownPicture(), "png"))); }

    TempDir dir;
    const QString picture = dir.path("colours.png");
};

TEST_F(Preview, ShowsThePictureAsTheDisplayWillAndKeepsTheArray)
{
    const Result result =
        RunExport({picture, dir.path("array.c"), "--preview", dir.path("shown.png")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("array.c")), ArrayTextOf(picture));
    EXPECT_EQ(test::PixelDifferences(QImage(dir.path("shown.png")), test::ShownPreview()), "");
}

TEST_F(Preview, GoesToStandardOutputForDash)
{
    const Result result = RunExport({picture, dir.path("array.c"), "--preview", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadBytes(dir.path("array.c")), ArrayTextOf(picture));
    EXPECT_EQ(test::PixelDifferences(QImage::fromData(result.out, "png"), test::ShownPreview()),
              "");
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
    // Nor by a symbolic link to an existing array file.
    ASSERT_TRUE(WriteBytes(dir.path("array.c"), test::kEarlierExport));
    ASSERT_TRUE(QFile::link(dir.path("array.c"), dir.path("link.c")));
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", dir.path("link.c")}),
                      dir.path("link.c"), "it is the array file");
    EXPECT_EQ(ReadBytes(dir.path("array.c")), test::kEarlierExport);

    // A named pipe stays a pipe: saving by rename would put a regular file in its place.
    ASSERT_TRUE(test::MakePipe(dir.path("pipe")));
    ExpectFailureLine(RunExport({picture, dir.path("array.c"), "--preview", dir.path("pipe")}),
                      dir.path("pipe"), "not a regular file");
    EXPECT_FALSE(QFileInfo(dir.path("pipe")).isFile());
}

} // namespace
} // namespace pixolan
