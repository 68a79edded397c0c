// SPDX-License-Identifier: MIT
// pixolan-export: the window's "create array" for scripts, build systems and batch use. It runs
// the same core as the window, so a picture gives the same bytes from both.
//
// Exit status: 0 when everything was written, 1 when a picture could not be loaded or a file not
// written (one line on standard error names the file and the reason), 2 for a wrong command line.
#include "command_line.h"
#include "convert/export_options.h"
#include "convert/read/picture_sequence.h"
#include "convert/write/array_writer.h"
#include "convert/write/output_path.h"
#include "convert/write/preview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

using namespace pixolan;

constexpr int kFailed = 1;

// The name that stands for standard output.
const QString kDash = QStringLiteral("-");

// A failure is reported on one line, whatever a decoder's message held.
int Fail(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Print(stderr, QStringLiteral("pixolan-export: %1\n").arg(line));
    return kFailed;
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
    // Where a name leads, every link followed: to a file still to be made, through its folder.
    const auto resolved = [](const QFileInfo &info) -> QString {
        if (QString file = info.canonicalFilePath(); !file.isEmpty())
            return file;
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                                : folder + QLatin1Char('/') + info.fileName();
    };
    return resolved(QFileInfo(a)) == resolved(QFileInfo(b));
}

} // namespace

int main(int argc, char *argv[])
{
    // Past a file size limit a write must fail and be reported, not end the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);

    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pixolan-export"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PIXOLAN_VERSION));

    const std::variant<Request, int> read = ReadCommandLine(QCoreApplication::arguments());
    if (const int *exit = std::get_if<int>(&read))
        return *exit;
    const Request &request = std::get<Request>(read);
    const ExportOptions &options = request.options;
    const QString &picture = request.picture;
    const QString &output = request.output;
    const bool wantHeader = request.wantHeader;
    const QString &headerPath = request.headerPath;
    const bool wantPreview = request.wantPreview;
    const QString &previewPath = request.previewPath;

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

    PictureSequence pictures;
    using enum Request::Pictures;
    if (Status status = request.pictures == Frames ? pictures.OpenFrames(picture, options)
                        : request.pictures == Tiles
                            ? pictures.OpenTiles(picture, request.tile, options)
                            : pictures.OpenPicture(picture, options);
        !status)
        return Fail(status.error());

    const auto toArray = [&](QIODevice &device, const QString &name) {
        return WriteArray(pictures, device, name, options);
    };
    const auto toHeader = [&](QIODevice &device, const QString &name) {
        return WriteHeader(pictures, device, name, options);
    };
    const auto writeArray = [&] {
        return WriteTo(output, toArray, [&](const QString &path) {
            return WriteArrayFile(pictures, path, options);
        });
    };
    const auto writeHeader = [&] {
        return WriteTo(headerPath, toHeader, [&](const QString &path) {
            return WriteHeaderFile(pictures, path, options);
        });
    };
    Status written = Status::Ok();
    if (!wantHeader)
        written = writeArray();
    else if (output != kDash && headerPath != kDash) // replaced together
        written = WriteArrayAndHeaderFiles(pictures, output, headerPath, options);
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
                return WritePreview(pictures, device, name, options);
            },
            [&](const QString &path) { return WritePreviewFile(pictures, path, options); });
        if (!written)
            return Fail(written.error());
    }
    return 0;
}
