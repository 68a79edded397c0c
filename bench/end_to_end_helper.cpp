// SPDX-License-Identifier: MIT
// The helper of bench/end_to_end.sh: makes the benchmark's pictures and times, inside one process,
// the steps that pixolan-export is compared with.
//
//   end_to_end_helper pictures FOLDER        the three everyday pictures (kept if present)
//   end_to_end_helper huge FOLDER            16384 x 16384 PNG and JPEG (kept if present)
//   end_to_end_helper panels FOLDER COUNT    COUNT different 320 x 240 PNGs, panel-000.png on
//   end_to_end_helper decode PICTURE N       loading alone, as pixolan-export loads
//   end_to_end_helper save PICTURE N         the array's bytes, formatted beforehand, saved
//                                            from memory through the export's save path
//   end_to_end_helper write PICTURE N        WriteArrayFile() of the loaded picture
//   end_to_end_helper naive PICTURE N        one PixelColour() and one printf per pixel
//
// Each timing prints "MILLISECONDS BYTES": the median of N runs and the bytes written. Output
// files go to a temporary folder under $PIXOLAN_BENCH_DIR (default: the system's).
#include "bench_steps.h"
#include "convert/naive_array.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

using namespace pixolan;

[[noreturn]] void Die(const QString &message)
{
    bench::Die("end_to_end_helper", message);
}

QImage Noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        random.fillRange(row, width);
        for (int x = 0; x < width; ++x)
            row[x] |= 0xFF000000u;
    }
    return image;
}

// Smooth shading in several directions with a little grain, which a JPEG or PNG encoder treats
// much like a photograph. Built from lookup tables, so that 16384 x 16384 takes seconds.
QImage PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        Die(QStringLiteral("not enough memory for a %1 x %2 picture").arg(width).arg(height));
    auto wave = [](int length, double periods, double amplitude, double phase) {
        std::vector<int> table(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i)
            table[std::size_t(i)] =
                int(amplitude * std::sin(2 * std::numbers::pi * periods * i / length + phase));
        return table;
    };
    struct Channel
    {
        std::vector<int> across, down, diagonal;
        int base;
    };
    const Channel channels[3] = {
        {wave(width, 1.5, 60, 0.0), wave(height, 2.0, 40, 1.0), wave(width + height, 5, 20, 0.3),
         120},
        {wave(width, 2.5, 50, 2.0), wave(height, 1.0, 60, 0.5), wave(width + height, 7, 15, 1.7),
         110},
        {wave(width, 0.7, 70, 4.0), wave(height, 3.0, 30, 2.5), wave(width + height, 3, 25, 0.9),
         130},
    };
    std::uint32_t state = 2463534242u; // xorshift grain
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int grain = int(state & 7) - 4;
            int value[3];
            for (int c = 0; c < 3; ++c) {
                const Channel &ch = channels[c];
                value[c] =
                    std::clamp(ch.base + ch.across[std::size_t(x)] + ch.down[std::size_t(y)] +
                                   ch.diagonal[std::size_t(x + y)] + grain,
                               0, 255);
            }
            row[x] = qRgb(value[0], value[1], value[2]);
        }
    }
    return image;
}

void Make(const QString &path, const std::function<QImage()> &picture, int quality = -1)
{
    if (QFileInfo::exists(path))
        return;
    std::fprintf(stderr, "making %s\n", qPrintable(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !picture().save(&file, QFileInfo(path).suffix().toLatin1().constData(), quality) ||
        !file.commit())
        Die(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

PictureSurface Load(const QString &path)
{
    PictureSurface surface;
    if (Status status = surface.Load(path); !status)
        Die(status.error());
    return surface;
}

QString OutputFolder()
{
    const QByteArray base = qgetenv("PIXOLAN_BENCH_DIR");
    return base.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(base);
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    const QString target = args.value(2);

    if (command == "panels") {
        QDir().mkpath(target);
        for (int i = 0; i < args.value(3).toInt(); ++i)
            Make(QDir(target).filePath(
                     QStringLiteral("panel-%1.png").arg(i, 3, 10, QLatin1Char('0'))),
                 [i] { return PhotoLike(320 + i, 240).copy(i, 0, 320, 240); });
        return 0;
    }
    if (command == "pictures" || command == "huge") {
        QDir().mkpath(target);
        const QDir dir(target);
        if (command == "pictures") {
            Make(dir.filePath("noise-4096.png"), [] { return Noise(4096, 4096); });
            Make(
                dir.filePath("photo-4096.jpg"), [] { return PhotoLike(4096, 4096); }, 90);
            Make(dir.filePath("photo-1024x768.png"), [] { return PhotoLike(1024, 768); });
        } else {
            Make(dir.filePath("photo-16384.png"), [] { return PhotoLike(16384, 16384); });
            Make(
                dir.filePath("photo-16384.jpg"), [] { return PhotoLike(16384, 16384); }, 90);
        }
        return 0;
    }

    const int runs = args.value(3).toInt();
    if (target.isEmpty() || runs < 1)
        Die(QStringLiteral("usage: end_to_end_helper pictures|huge FOLDER, or "
                           "decode|save|write|naive PICTURE RUNS"));
    const QTemporaryDir out(OutputFolder() + "/pixolan-end-to-end-XXXXXX");
    const QString output = out.filePath("array.c");
    double ms = 0;

    if (command == "decode") {
        ms = bench::MedianMs(runs, [&] { Load(target); });
    } else if (command == "save") {
        QByteArray text;
        QBuffer buffer(&text);
        buffer.open(QIODevice::WriteOnly);
        if (!WriteArray(Load(target), buffer, "memory"))
            Die(QStringLiteral("cannot format %1").arg(target));
        ms = bench::MedianMs(runs, [&] {
            QSaveFile file(output);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
                file.write(text) != text.size() || !file.commit())
                Die(QStringLiteral("cannot save %1: %2").arg(output, file.errorString()));
        });
    } else if (command == "write") {
        const PictureSurface surface = Load(target);
        ms = bench::MedianMs(runs, [&] {
            if (Status status = WriteArrayFile(surface, output); !status)
                Die(status.error());
        });
    } else if (command == "naive") {
        const PictureSurface surface = Load(target);
        ms = bench::MedianMs(runs, [&] {
            QSaveFile file(output);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
                !test::WriteNaiveArray(surface, file) || !file.commit())
                Die(QStringLiteral("cannot save %1: %2").arg(output, file.errorString()));
        });
    } else {
        Die(QStringLiteral("unknown command \"%1\"").arg(command));
    }
    std::printf("%.1f %lld\n", ms, QFileInfo(output).exists() ? QFileInfo(output).size() : 0LL);
    return 0;
}
