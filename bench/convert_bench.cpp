// SPDX-License-Identifier: MIT
// Speed of the export against the physical limit of its design: saving the same number of bytes
// from one ready buffer through the same save path (QSaveFile, flushed to disk).
//
//   build/bench/convert_bench [--benchmark_filter=...]
//
// The files go to a temporary folder under $PIXOLAN_BENCH_DIR (default: the system's).
#include "convert/pixels/pack_colour.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace pixolan;

constexpr int kSide = 4096;

QImage Noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < height; ++y)
        random.fillRange(reinterpret_cast<quint32 *>(image.scanLine(y)), width);
    return image;
}

const PictureSurface &NoiseSurface()
{
    static const PictureSurface surface = [] {
        PictureSurface s;
        if (!s.SetImage(Noise(kSide, kSide)))
            std::abort();
        return s;
    }();
    return surface;
}

QString BenchFolder()
{
    const QByteArray base = qgetenv("PIXOLAN_BENCH_DIR");
    return base.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(base);
}

void PackColourRow(benchmark::State &state)
{
    const QImage row = Noise(kSide, 1);
    const auto *pixels = reinterpret_cast<const QRgb *>(row.constScanLine(0));
    std::vector<std::uint8_t> packed(kSide);
    for (auto _ : state) {
        for (int x = 0; x < kSide; ++x)
            packed[x] = PackColour(ColourFromRgb(pixels[x]));
        benchmark::DoNotOptimize(packed.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(PackColourRow);

// keep:1 compares with the file already there, as pixolan-export does: from the second run on,
// the same bytes, so the earlier file is kept and the temporary one removed.
void WriteArrayFile4096(benchmark::State &state)
{
    const PictureSurface &surface = NoiseSurface();
    const QTemporaryDir dir(BenchFolder() + "/pixolan-bench-XXXXXX");
    const QString path = dir.filePath("array.c");
    const ExportOptions options{.keepUnchanged = state.range(0) != 0};
    for (auto _ : state)
        if (!WriteArrayFile(surface, path, options).ok())
            state.SkipWithError("export failed");
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(WriteArrayFile4096)
    ->ArgName("keep")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3);

// The same bytes, already formatted, through the same save path: what the export cannot beat.
void SaveReadyBuffer4096(benchmark::State &state)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    if (!WriteArray(NoiseSurface(), buffer, "memory").ok())
        std::abort();
    const QTemporaryDir dir(BenchFolder() + "/pixolan-bench-XXXXXX");
    for (auto _ : state) {
        QSaveFile file(dir.filePath("array.c"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            file.write(text) != text.size() || !file.commit())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(SaveReadyBuffer4096)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

} // namespace

BENCHMARK_MAIN();
