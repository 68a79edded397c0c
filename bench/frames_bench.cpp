// SPDX-License-Identifier: MIT
// What animations and turned pictures cost.
//
//   build/bench/frames_bench [RUNS]     (pixolan-export beside it in the build, /usr/bin/time)
//
// Makes a 200-frame 320 x 240 GIF (each frame a moving pattern of 256 colours), a one-frame GIF
// of the same size, and a 4096 x 4096 PNG, in a temporary folder under $PIXOLAN_BENCH_DIR
// (default: the system's), then prints medians of RUNS runs (default 5):
//   - the whole `pixolan-export --frames --format rgb565 --binary GIF -` (output thrown away),
//     wall clock, against decoding the same frames with Qt's reader alone, in this process.
//     Goal: at most 1.3 x.
//   - peak memory (/usr/bin/time -v) of that export against the one-frame GIF's. Goal: within
//     2 MiB, plus at most the files' difference in size (the structure check maps the file).
//   - `--rotate 90` of the 4096 x 4096 PNG against the plain export. Goal: at most 1.2 x.
#include "bench_steps.h"
#include "convert/test_pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace pixolan;

[[noreturn]] void Die(const QString &message)
{
    bench::Die("frames_bench", message);
}

// A GIF of `frames` frames, each the whole canvas: diagonal stripes of the 256 colours, moved one
// pixel a frame.
QByteArray Animation(int width, int height, int frames)
{
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = (i * 0x010305u * 37u) & 0xFFFFFFu;
    std::vector<test::GifFrame> all(static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        std::vector<std::uint8_t> &indices = all[std::size_t(f)].indices;
        indices.resize(std::size_t(width) * std::size_t(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                indices[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                    std::uint8_t((x + y + f) / 4);
        all[std::size_t(f)].delay = 4;
    }
    return test::MakeGif(width, height, colours, all);
}

void Save(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        Die(QStringLiteral("cannot write %1").arg(path));
}

// Runs pixolan-export with `arguments`, standard output thrown away; dies when it fails.
void Export(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        Die(QStringLiteral("pixolan-export %1 failed: %2")
                .arg(arguments.join(' '), QString::fromLocal8Bit(process.readAllStandardError())));
}

// Peak resident memory of pixolan-export with `arguments`, in KiB.
long PeakKib(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/usr/bin/time"), QStringList{"-v", program} + arguments);
    process.waitForFinished(-1);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"))
            .match(QString::fromLocal8Bit(process.readAllStandardError()));
    if (!match.hasMatch())
        Die(QStringLiteral("no peak memory from /usr/bin/time (apt-get install time)"));
    return match.captured(1).toLong();
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString program = QCoreApplication::applicationDirPath() + "/../pixolan-export";
    if (!QFile::exists(program))
        Die(QStringLiteral("%1 is missing: build it first").arg(program));
    const QString base = qEnvironmentVariable("PIXOLAN_BENCH_DIR", QDir::tempPath());
    QTemporaryDir dir(base + "/pixolan-frames-XXXXXX");
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("PIXOLAN_BENCH_KEEP"));
    std::printf("%s\n", qPrintable(dir.path()));
    if (!dir.isValid())
        Die(QStringLiteral("cannot make a folder in %1").arg(base));

    const QString animation = dir.filePath("animation.gif");
    const QString still = dir.filePath("still.gif");
    const QString big = dir.filePath("big.png");
    Save(animation, Animation(320, 240, 200));
    Save(still, Animation(320, 240, 1));
    if (!test::Noise(4096, 4096, 1).save(big, "png"))
        Die(QStringLiteral("cannot write %1").arg(big));

    const QStringList frames = {"--frames", "--format", "rgb565", "--binary"};
    const double exportMs = bench::MedianMs(runs, [&] {
        Export(program, frames + QStringList{animation, "-"});
    });
    int decoded = 0;
    const double decodeMs = bench::MedianMs(runs, [&] {
        QImageReader reader(animation);
        QImage frame;
        for (decoded = 0; reader.read(&frame); ++decoded) {
        }
    });
    if (decoded != 200)
        Die(QStringLiteral("Qt read %1 frames, not 200").arg(decoded));
    std::printf("200 frames of 320 x 240, median of %d runs\n", runs);
    std::printf("  --frames --format rgb565 --binary: %.1f ms; Qt's decoding alone %.1f ms: "
                "%.2f x (goal 1.3 x)\n",
                exportMs, decodeMs, exportMs / decodeMs);

    const long animationKib = PeakKib(program, frames + QStringList{animation, "-"});
    const long stillKib = PeakKib(program, frames + QStringList{still, "-"});
    const double extraMib = double(QFileInfo(animation).size() - QFileInfo(still).size()) / 1048576;
    std::printf("  peak memory %.1f MiB; one frame %.1f MiB: %+.1f MiB (goal within 2 MiB plus "
                "the larger file's %.1f MiB)\n",
                double(animationKib) / 1024, double(stillKib) / 1024,
                double(animationKib - stillKib) / 1024, extraMib);

    const QString out = dir.filePath("big.c");
    const double plainMs = bench::MedianMs(runs, [&] { Export(program, {big, out}); });
    const double rotatedMs = bench::MedianMs(runs, [&] {
        Export(program, {"--rotate", "90", big, out});
    });
    std::printf("4096 x 4096 PNG: plain export %.1f ms, --rotate 90 %.1f ms: %.2f x (goal 1.2 x)\n",
                plainMs, rotatedMs, rotatedMs / plainMs);
    return 0;
}
