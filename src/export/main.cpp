// SPDX-License-Identifier: MIT
// pixolan-export: the window's "create array" for scripts, build systems and batch use. It runs
// the same core as the window, so a picture gives the same bytes from both.
//
// Exit status: 0 when everything was written, 1 when a picture could not be loaded or a file not
// written (one line on standard error names the file and the reason), 2 for a wrong command line.
#include "convert/array_writer.h"
#include "convert/output_path.h"
#include "convert/picture_surface.h"
#include "convert/preview.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

// Decoders and encoders may write to standard error by themselves (libpng does, on damaged data
// and on a failed write), which would add lines to the one that reports a failure. While this
// lives, whatever goes to standard error is dropped.
class StandardErrorMuted
{
public:
    StandardErrorMuted() : m_saved(::dup(STDERR_FILENO))
    {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~StandardErrorMuted()
    {
        if (m_saved < 0)
            return;
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StandardErrorMuted(const StandardErrorMuted &) = delete;
    StandardErrorMuted &operator=(const StandardErrorMuted &) = delete;

private:
    int m_saved;
};

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

// True when both names lead to one file, existing or still to be made.
bool SameFile(const QString &a, const QString &b)
{
    if (a == kDash || b == kDash)
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath()))
        return true;
    const QString canonical = first.canonicalFilePath();
    return !canonical.isEmpty() && canonical == second.canonicalFilePath();
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
    parser.setApplicationDescription(
        QStringLiteral("Writes a picture as C source: one byte per pixel, packed RGB332."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("Also write <file> (PNG): the picture as the display will show it."),
        QStringLiteral("file"));
    parser.addOption(preview);
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
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return UsageError(parser, QStringLiteral("no picture given"));
    if (arguments.size() > 2)
        return UsageError(parser, QStringLiteral("too many arguments"));

    const QString picture = arguments[0];
    const QString output = arguments.size() == 2 ? arguments[1] : DefaultOutputPath();
    const bool wantPreview = parser.isSet(preview);
    const QString previewPath = parser.value(preview);
    if (wantPreview && output == kDash && previewPath == kDash)
        return UsageError(parser,
                          QStringLiteral("the array and the preview cannot both go to \"-\""));

    // Refused before the picture is decoded, which may take a while.
    for (const QString &target :
         wantPreview ? QStringList{output, previewPath} : QStringList{output})
        if (target != kDash)
            if (Status status = CheckOutputIsNotPicture(picture, target); !status)
                return Fail(status.error());
    if (wantPreview && SameFile(output, previewPath))
        return Fail(QStringLiteral("Cannot write the preview \"%1\": it is the array file")
                        .arg(QDir::toNativeSeparators(previewPath)));

    PictureSurface surface;
    const Status loaded = [&] {
        const StandardErrorMuted muted;
        return surface.Load(picture);
    }();
    if (!loaded)
        return Fail(loaded.error());

    Status written = WriteTo(
        output,
        [&](QIODevice &device, const QString &name) { return WriteArray(surface, device, name); },
        [&](const QString &path) { return WriteArrayFile(surface, path); });
    if (!written)
        return Fail(written.error());

    if (wantPreview) {
        written = [&] {
            const StandardErrorMuted muted; // the PNG writer's
            return WriteTo(
                previewPath,
                [&](QIODevice &device, const QString &name) {
                    return WritePreview(surface, device, name);
                },
                [&](const QString &path) { return WritePreviewFile(surface, path); });
        }();
        if (!written)
            return Fail(written.error());
    }
    return 0;
}
