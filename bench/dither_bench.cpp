// SPDX-License-Identifier: MIT
// How the dithers look and what they cost.
//
//   build/bench/dither_bench [--speed] [--picture FILE.png]
//
// Quality: for a photo-like picture and a 0-255 grey ramp, both made here, each dither mode's
// codes are widened back as the panel shows them (PreviewColour), the result and the original are
// blurred with a Gaussian of sigma 1.2 pixels (a stand-in for viewing distance), and the program
// prints the PSNR after blur and the mean signed error per channel (shown minus original), also
// over a patch of smooth sky. --picture writes the side-by-side comparison of a small photo:
// truncated, ordered, Floyd-Steinberg.
//
// Speed (--speed): the whole export (load a 4096 x 4096 PNG, write its array file) with each
// dither mode, and --resize 320x240 of the decoded picture against decoding it; medians of 5
// runs. Files go to a
// temporary folder under $PIXOLAN_BENCH_DIR (default: the system's).
#include "bench_steps.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"
#include "convert/write/preview.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

using namespace pixolan;

[[noreturn]] void Die(const QString &message)
{
    bench::Die("dither_bench", message);
}

// A landscape: a smooth sky from deep blue to a pale horizon with a soft sun, hills in two
// greens with texture, a lake that mirrors the sky, and a little grain everywhere.
QImage Landscape(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        Die(QStringLiteral("not enough memory for a %1 x %2 picture").arg(width).arg(height));
    std::uint32_t state = 2463534242u;
    const auto grain = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state % 5) - 2;
    };
    const double horizon = 0.55 * height;
    const double sunX = 0.7 * width;
    const double sunY = 0.3 * height;
    const double sunRadius = 0.06 * height;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double hill =
                horizon - height * (0.12 + 0.06 * std::sin(2 * std::numbers::pi * (1.3 * u + 0.2)) +
                                    0.03 * std::sin(2 * std::numbers::pi * 5.1 * u));
            const bool lake = y > 0.8 * height;
            const double skyY = lake ? 2 * 0.8 * height - y : y;
            double r, g, b;
            if (y < hill || lake) {
                const double t = std::clamp(skyY / horizon, 0.0, 1.0);
                r = 40 + 170 * t;
                g = 90 + 130 * t;
                b = 190 + 55 * t;
                const double d = std::hypot(x - sunX, skyY - sunY) / sunRadius;
                const double glow = d < 1 ? 1 : std::exp(-(d - 1) * 0.8);
                r += (255 - r) * glow;
                g += (245 - g) * glow;
                b += (215 - b) * glow;
                if (lake) {
                    const double ripple = 6 * std::sin(y * 0.9 + 3 * std::sin(x * 0.05));
                    r = r * 0.8 + ripple;
                    g = g * 0.85 + ripple;
                    b = b * 0.9 + ripple;
                }
            } else {
                const double depth = (y - hill) / (0.8 * height - hill + 1);
                const double texture = 18 * std::sin(x * 0.31 + 2 * std::sin(y * 0.17)) *
                                       std::sin(y * 0.23 + x * 0.05);
                r = 60 + 50 * depth + texture;
                g = 120 - 40 * depth + texture;
                b = 40 + 20 * depth + texture * 0.5;
            }
            const int n = grain();
            row[x] = qRgb(std::clamp(int(std::lround(r)) + n, 0, 255),
                          std::clamp(int(std::lround(g)) + n, 0, 255),
                          std::clamp(int(std::lround(b)) + n, 0, 255));
        }
    }
    return image;
}

// A horizontal grey ramp from 0 to 255, 16 rows high.
QImage Ramp()
{
    QImage image(256, 16, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgb(x, x, x));
    return image;
}

// One channel of a picture as floating point, width x height.
struct Plane
{
    int width = 0;
    int height = 0;
    std::vector<double> values;
    double &at(int x, int y) { return values[Index(x, y)]; }
    double at(int x, int y) const { return values[Index(x, y)]; }
    std::size_t Index(int x, int y) const
    {
        return std::size_t(y) * std::size_t(width) + std::size_t(x);
    }
};

std::array<Plane, 3> Planes(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    std::array<Plane, 3> planes;
    for (Plane &plane : planes)
        plane = {image.width(), image.height(),
                 std::vector<double>(std::size_t(image.width()) * std::size_t(image.height()))};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            planes[0].at(x, y) = qRed(pixel);
            planes[1].at(x, y) = qGreen(pixel);
            planes[2].at(x, y) = qBlue(pixel);
        }
    return planes;
}

// Separable Gaussian blur, edges clamped.
Plane Blur(Plane plane, double sigma)
{
    const int radius = int(std::ceil(3 * sigma));
    std::vector<double> kernel(std::size_t(2 * radius + 1));
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[std::size_t(i + radius)] = std::exp(-i * i / (2 * sigma * sigma));
    for (double &k : kernel)
        k /= sum;
    for (int pass = 0; pass < 2; ++pass) {
        Plane out = plane;
        for (int y = 0; y < plane.height; ++y)
            for (int x = 0; x < plane.width; ++x) {
                double v = 0;
                for (int i = -radius; i <= radius; ++i) {
                    const int sx = pass == 0 ? std::clamp(x + i, 0, plane.width - 1) : x;
                    const int sy = pass == 1 ? std::clamp(y + i, 0, plane.height - 1) : y;
                    v += kernel[std::size_t(i + radius)] * plane.at(sx, sy);
                }
                out.at(x, y) = v;
            }
        plane = std::move(out);
    }
    return plane;
}

// What the panel shows for the picture exported with `dither`.
QImage Shown(const QImage &picture, Dither dither)
{
    PictureSurface surface;
    if (!surface.SetImage(picture))
        Die(QStringLiteral("not enough memory"));
    ExportOptions options;
    options.dither = dither;
    return PreviewImage(surface, options).convertToFormat(QImage::Format_RGB32);
}

struct Score
{
    double psnr;                      // after blur, over all channels
    std::array<double, 3> meanError;  // shown minus original, per channel
    std::array<double, 3> patchError; // the same over `patch`
};

Score Compare(const QImage &original, const QImage &shown, const QRect &patch)
{
    const std::array<Plane, 3> a = Planes(original);
    const std::array<Plane, 3> b = Planes(shown);
    Score score{};
    double squared = 0;
    for (int c = 0; c < 3; ++c) {
        Plane blurredA = Blur(a[c], 1.2);
        Plane blurredB = Blur(b[c], 1.2);
        double error = 0;
        double patchError = 0;
        for (std::size_t i = 0; i < a[c].values.size(); ++i) {
            const double d = blurredB.values[i] - blurredA.values[i];
            squared += d * d;
            error += b[c].values[i] - a[c].values[i];
        }
        for (int y = patch.top(); y <= patch.bottom(); ++y)
            for (int x = patch.left(); x <= patch.right(); ++x)
                patchError += b[c].at(x, y) - a[c].at(x, y);
        score.meanError[std::size_t(c)] = error / double(a[c].values.size());
        score.patchError[std::size_t(c)] = patchError / (patch.width() * patch.height());
    }
    const double mse = squared / (3.0 * double(a[0].values.size()));
    score.psnr = 10 * std::log10(255.0 * 255.0 / mse);
    return score;
}

constexpr std::array<std::pair<Dither, const char *>, 3> kModes = {
    {{Dither::None, "none"}, {Dither::Ordered, "ordered"}, {Dither::FloydSteinberg, "fs"}}};

void Quality(const QString &picturePath)
{
    const QImage photo = Landscape(640, 480);
    const QRect sky(40, 20, 160, 60); // smooth sky, away from the sun and the hills
    std::printf("quality: PSNR after a sigma 1.2 blur; mean signed error (shown - original)\n");
    std::printf("%-22s %-8s %8s %22s %22s\n", "picture", "dither", "PSNR dB", "mean error R G B",
                "over the sky R G B");
    for (const auto &[name, picture, patch] :
         {std::tuple{"photo 640 x 480", photo, sky}, std::tuple{"ramp 0-255", Ramp(), QRect()}}) {
        for (const auto &[dither, mode] : kModes) {
            const Score s =
                Compare(picture, Shown(picture, dither), patch.isValid() ? patch : picture.rect());
            std::printf("%-22s %-8s %8.1f %7.2f %6.2f %6.2f %7.2f %6.2f %6.2f\n", name, mode,
                        s.psnr, s.meanError[0], s.meanError[1], s.meanError[2], s.patchError[0],
                        s.patchError[1], s.patchError[2]);
        }
    }

    if (picturePath.isEmpty())
        return;
    // Side by side, each at twice its size so that the pattern shows: truncated, ordered, fs.
    const QImage small = Landscape(200, 150);
    QImage sideBySide(3 * 2 * small.width() + 2 * 8, 2 * small.height(), QImage::Format_RGB32);
    sideBySide.fill(Qt::white);
    QPainter painter(&sideBySide);
    for (std::size_t i = 0; i < kModes.size(); ++i)
        painter.drawImage(QPoint(int(i) * (2 * small.width() + 8), 0),
                          Shown(small, kModes[i].first).scaled(small.size() * 2));
    painter.end();
    if (!sideBySide.save(picturePath))
        Die(QStringLiteral("cannot write %1").arg(picturePath));
    std::printf("wrote %s: truncated, ordered, fs\n", qPrintable(picturePath));
}

void Speed()
{
    const QByteArray base = qgetenv("PIXOLAN_BENCH_DIR");
    QTemporaryDir dir((base.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(base)) +
                      QStringLiteral("/pixolan-dither-XXXXXX"));
    const QString picture = dir.filePath(QStringLiteral("photo.png"));
    const QString array = dir.filePath(QStringLiteral("photo.c"));
    if (!Landscape(4096, 4096).save(picture))
        Die(QStringLiteral("cannot write %1").arg(picture));

    const auto exportWith = [&](const ExportOptions &options) {
        PictureSurface surface;
        if (Status s = surface.Load(picture, options); !s)
            Die(s.error());
        if (Status s = WriteArrayFile(surface, array, options); !s)
            Die(s.error());
    };
    const auto load = [&](const ExportOptions &options) {
        PictureSurface surface;
        if (Status s = surface.Load(picture, options); !s)
            Die(s.error());
    };
    constexpr int kRuns = 5;
    std::printf("speed: 4096 x 4096 photo-like PNG, medians of %d runs\n", kRuns);
    double plain = 0;
    for (const auto &[dither, mode] : kModes) {
        ExportOptions options;
        options.dither = dither;
        const double ms = bench::MedianMs(kRuns, [&] { exportWith(options); });
        if (dither == Dither::None)
            plain = ms;
        std::printf("  export, --dither %-8s %7.0f ms  %.2f x undithered\n", mode, ms, ms / plain);
    }
    const double decode = bench::MedianMs(kRuns, [&] { load({}); });
    // Resizing alone, on the decoded picture, as the load does it after decoding.
    PictureSurface decoded;
    if (Status s = decoded.Load(picture); !s)
        Die(s.error());
    ExportOptions resized;
    resized.size = QSize(320, 240);
    const double resize = bench::MedianMs(kRuns, [&] {
        PictureSurface surface;
        if (!surface.SetImage(decoded.Image(), resized))
            Die(QStringLiteral("not enough memory to resize"));
    });
    std::printf("  decode alone              %7.0f ms\n", decode);
    std::printf("  --resize 320x240 alone    %7.0f ms  (%.2f x decoding)\n", resize,
                resize / decode);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype pictureAt = arguments.indexOf(QStringLiteral("--picture"));
    Quality(pictureAt > 0 && pictureAt + 1 < arguments.size() ? arguments[pictureAt + 1]
                                                              : QString());
    if (arguments.contains(QStringLiteral("--speed")))
        Speed();
    return 0;
}
