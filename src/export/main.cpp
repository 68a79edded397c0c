// SPDX-License-Identifier: MIT
// pixolan-export: the window's "create array" for scripts, build systems and batch use. It runs
// the same core as the window, so a picture gives the same bytes from both.
//
// Exit status: 0 when everything was written, 1 when a picture could not be loaded or a file not
// written (one line on standard error names the file and the reason), 2 for a wrong command line.
#include "convert/export_options.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"
#include "convert/write/output_path.h"
#include "convert/write/preview.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using namespace pixolan;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The name that stands for standard output.
const QString kDash = QStringLiteral("-");

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A failure is reported on one line, whatever a decoder's message held.
int Fail(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Print(stderr, QStringLiteral("pixolan-export: %1\n").arg(line));
    return kFailed;
}

int UsageError(const QCommandLineParser &parser, const QString &message)
{
    Print(stderr, QStringLiteral("pixolan-export: %1\n\n%2").arg(message, parser.helpText()));
    return kUsage;
}

// Writes the array or the preview to `target`: a file replaced only once it is complete, or
// standard output for "-".
template <typename ToDevice, typename ToFile>
Status WriteTo(const QString &target, ToDevice toDevice, ToFile toFile)
{
    if (target != kDash)
        return toFile(target);
    QFile out;
    const QString name = QStringLiteral("standard output");
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                  QFileDevice::DontCloseHandle))
        return Status::Failure(
            QStringLiteral("Cannot write to %1: %2").arg(name, out.errorString()));
    return toDevice(out, name);
}

// True when both names lead to one file, existing or still to be made. An empty name is no
// file: saving refuses it with its own reason.
bool SameFile(const QString &a, const QString &b)
{
    if (a == kDash || b == kDash || a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath()))
        return true;
    const QString canonical = first.canonicalFilePath();
    return !canonical.isEmpty() && canonical == second.canonicalFilePath();
}

// An option that takes a value, with the words of its help.
// An option that takes a value, given at most once. `read`, if there is one, puts the value into
// the export's options (the file names of --preview and --header are read where they are used).
struct ValueOption
{
    QCommandLineOption option;
    // Reads the value into the options; the reason when it is refused.
    std::function<std::optional<QString>(const QString &, ExportOptions &)> read = {};
};

template <typename Value>
auto Into(std::optional<Value> (*parse)(const QString &), Value ExportOptions::*field,
          const char *expected)
{
    return [parse, field, expected](const QString &text,
                                    ExportOptions &options) -> std::optional<QString> {
        const std::optional<Value> value = parse(text);
        if (!value)
            return QLatin1String(expected);
        options.*field = *value;
        return std::nullopt;
    };
}

// Checked once all options are known: with a header, more names are refused.
std::optional<QString> ReadName(const QString &text, ExportOptions &options)
{
    options.name = text;
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    // Past a file size limit a write must fail and be reported, not end the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);

    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pixolan-export"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PIXOLAN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a picture as C source: one byte per pixel, packed RGB332.\n"
        "Without options the array is the window's \"create array\", byte for byte.\n"
        "For a 320 x 240 panel:\n"
        "  pixolan-export --resize 320x240 --dither fs --name logo --header logo.h logo.png "
        "logo.c"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("Also write <file> (PNG): the array as the display will show it."),
        QStringLiteral("file"));
    const QCommandLineOption header(
        QStringLiteral("header"),
        QStringLiteral("Also write <file>, a C/C++ header declaring the array, with "
                       "NAME_WIDTH, NAME_HEIGHT and NAME_SIZE."),
        QStringLiteral("file"));
    const QCommandLineOption resize(QStringLiteral("resize"),
                                    QStringLiteral("Export the picture at exactly <WxH> pixels "
                                                   "(each 1 to 16384), e.g. 320x240."),
                                    QStringLiteral("WxH"));
    const QCommandLineOption fitOption(
        QStringLiteral("fit"),
        QStringLiteral("With --resize: contain (the whole picture, centred on the background; "
                       "the default), cover (fill, cropping the overhang) or stretch."),
        QStringLiteral("mode"));
    const QCommandLineOption filterOption(
        QStringLiteral("filter"),
        QStringLiteral("With --resize: smooth (the default, for photos) or nearest (for pixel "
                       "art)."),
        QStringLiteral("filter"));
    std::vector<ValueOption> valueOptions = {
        {QCommandLineOption(QStringLiteral("name"),
                            QStringLiteral("The array's name instead of \"array\": a C "
                                           "identifier that is no C or C++ keyword, nor "
                                           "main or int8."),
                            QStringLiteral("ident")),
         ReadName},
        {resize, Into(ParseSize, &ExportOptions::size,
                      "give WIDTHxHEIGHT, each from 1 to 16384, e.g. 320x240")},
        {fitOption, Into(ParseFit, &ExportOptions::fit, "give contain, cover or stretch")},
        {filterOption, Into(ParseFilter, &ExportOptions::filter, "give smooth or nearest")},
        {QCommandLineOption(QStringLiteral("background"),
                            QStringLiteral("The colour that transparent pixels are laid over, "
                                           "and --fit contain pads with, as RRGGBB in "
                                           "hexadecimal (default FFFFFF, white)."),
                            QStringLiteral("RRGGBB")),
         Into(ParseColour, &ExportOptions::background,
              "give the colour as six hexadecimal digits RRGGBB, e.g. FFFFFF")},
        {QCommandLineOption(QStringLiteral("dither"),
                            QStringLiteral("none (the default: every channel truncated), "
                                           "ordered (an 8 x 8 pattern) or fs (Floyd-Steinberg)."),
                            QStringLiteral("mode")),
         Into(ParseDither, &ExportOptions::dither, "give none, ordered or fs")},
        {preview},
        {header},
    };
    for (const ValueOption &option : valueOptions)
        parser.addOption(option.option);
    parser.addPositionalArgument(QStringLiteral("picture"),
                                 QStringLiteral("The picture (jpg, gif, bmp, png)."));
    parser.addPositionalArgument(
        QStringLiteral("output"),
        QStringLiteral("The array file to write; \"-\" for standard output. "
                       "Default: array.c in the current directory."),
        QStringLiteral("[output]"));

    // parse(), not process(): process() exits with 1 on a wrong command line.
    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        Print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("Pixolan version %1\n").arg(PIXOLAN_VERSION));
        return 0;
    }

    ExportOptions options;
    // A file that would get the same bytes is left alone, so a build recompiles nothing for it.
    options.keepUnchanged = true;
    for (const ValueOption &option : valueOptions) {
        const QString spelled = QStringLiteral("--") + option.option.names().constFirst();
        const QStringList values = parser.values(option.option);
        if (values.size() > 1)
            return UsageError(parser, QStringLiteral("%1 is given more than once").arg(spelled));
        if (!values.isEmpty() && option.read)
            if (std::optional<QString> problem = option.read(values.front(), options))
                return UsageError(
                    parser, QStringLiteral("%1 \"%2\": %3").arg(spelled, values.front(), *problem));
    }
    if (!parser.isSet(resize))
        for (const QCommandLineOption &needsSize : {fitOption, filterOption})
            if (parser.isSet(needsSize))
                return UsageError(
                    parser,
                    QStringLiteral("--%1 goes with --resize").arg(needsSize.names().constFirst()));
    if (std::optional<QString> problem = ArrayNameProblem(options.name, parser.isSet(header)))
        return UsageError(parser, QStringLiteral("--name \"%1\": %2").arg(options.name, *problem));

    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return UsageError(parser, QStringLiteral("no picture given"));
    if (arguments.size() > 2)
        return UsageError(parser, QStringLiteral("too many arguments"));

    const QString picture = arguments[0];
    const QString output = arguments.size() == 2 ? arguments[1] : DefaultOutputPath();
    const bool wantHeader = parser.isSet(header);
    const QString headerPath = parser.value(header);
    const bool wantPreview = parser.isSet(preview);
    const QString previewPath = parser.value(preview);

    // Every output by what it is called in messages, the array first.
    struct Output
    {
        QString path;
        QString what;
    };
    std::vector<Output> outputs = {{output, QStringLiteral("array file")}};
    if (wantHeader)
        outputs.push_back({headerPath, QStringLiteral("header")});
    if (wantPreview)
        outputs.push_back({previewPath, QStringLiteral("preview")});
    if (std::ranges::count(outputs, kDash, &Output::path) > 1)
        return UsageError(parser, QStringLiteral("two outputs cannot both go to \"-\""));

    // Refused before the picture is decoded, which may take a while.
    for (const Output &target : outputs)
        if (target.path != kDash)
            if (Status status = CheckOutputIsNotPicture(picture, target.path); !status)
                return Fail(status.error());
    for (std::size_t i = 1; i < outputs.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (SameFile(outputs[j].path, outputs[i].path))
                return Fail(QStringLiteral("Cannot write the %1 \"%2\": it is the %3")
                                .arg(outputs[i].what, QDir::toNativeSeparators(outputs[i].path),
                                     outputs[j].what));

    PictureSurface surface;
    if (Status status = surface.Load(picture, options); !status)
        return Fail(status.error());

    const auto toArray = [&](QIODevice &device, const QString &name) {
        return WriteArray(surface, device, name, options);
    };
    const auto toHeader = [&](QIODevice &device, const QString &name) {
        return WriteHeader(surface, device, name, options);
    };
    const auto writeArray = [&] {
        return WriteTo(output, toArray,
                       [&](const QString &path) { return WriteArrayFile(surface, path, options); });
    };
    const auto writeHeader = [&] {
        return WriteTo(headerPath, toHeader, [&](const QString &path) {
            return WriteHeaderFile(surface, path, options);
        });
    };
    Status written = Status::Ok();
    if (!wantHeader)
        written = writeArray();
    else if (output != kDash && headerPath != kDash) // replaced together
        written = WriteArrayAndHeaderFiles(surface, output, headerPath, options);
    else if (output == kDash) { // the file first: nothing goes out if it cannot be written
        written = writeHeader();
        if (written)
            written = writeArray();
    } else {
        written = writeArray();
        if (written)
            written = writeHeader();
    }
    if (!written)
        return Fail(written.error());

    if (wantPreview) {
        written = WriteTo(
            previewPath,
            [&](QIODevice &device, const QString &name) {
                return WritePreview(surface, device, name, options);
            },
            [&](const QString &path) { return WritePreviewFile(surface, path, options); });
        if (!written)
            return Fail(written.error());
    }
    return 0;
}
