// SPDX-License-Identifier: MIT
// How the dithers look and what they cost, for every format of fewer than 8 bits a channel.
//
//   build/bench/dither_bench [--speed] [--runs N] [--picture FILE.png]
//
// Quality: for a photo-like picture and a 0-255 grey ramp, both made here, each format (rgb332,
// rgb565, rgb666, gray4, mono; mono-lsb and mono-pages code as mono does) with each dither (none,
// which for 1 bit is the threshold 128, ordered, fs, atkinson) is widened back as the panel shows
// it (PreviewImage()), the result and the original are blurred with a Gaussian of sigma 1.2 pixels
// (a stand-in for viewing distance), and the program prints the PSNR after blur and the mean
// signed error per channel (shown minus original, in 8-bit levels), also over a patch of smooth
// sky. The grey formats are measured against the picture in grey (GreyLevel() of each pixel).
// It ends with the goals below, met or missed. --picture writes the side-by-side comparison of a
// small photo in RGB332: truncated, ordered, Floyd-Steinberg.
//
// Speed (--speed): the whole export (load a 4096 x 4096 photo-like PNG, write its array file) of
// each of those formats with each dither, and --binary of rgb565 and mono; beside it the writing
// alone (the same on the decoded picture), decoding alone and --resize 320x240 of the decoded
// picture. Medians of N runs (default 5), the steps taken in turns, each writing a new file (the
// last one removed untimed); then the ratios the goals name. Files go to a temporary folder under
// $PIXOLAN_BENCH_DIR (default: the system's).
//
// Goals: PSNR after blur on the photo of rgb565 fs >= 59 dB and ordered >= 52, gray4 fs >= 51 and
// ordered >= 46, mono fs >= 33 and ordered >= 29; the mean errors of ordered and fs within
// +-0.5 of a level; the export of rgb565 at most 1.25 x the default (rgb332) export and of mono
// at most 1.0 x; --binary at most 0.8 x the text for rgb565 and 1.0 x for mono; every dithered
// export at most 1.5 x the undithered one of its format.
#include "bench_steps.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"
#include "convert/write/preview.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
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

// The picture as grey, each pixel's level GreyLevel(): what the grey formats are measured against.
QImage Grey(const QImage &picture)
{
    QImage grey = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int level = GreyLevel(qRed(row[x]), qGreen(row[x]), qBlue(row[x]));
            row[x] = qRgb(level, level, level);
        }
    }
    return grey;
}

// What the panel shows for the picture exported as `format` with `dither`.
QImage Shown(const QImage &picture, PixelFormat format, Dither dither)
{
    PictureSurface surface;
    if (!surface.SetImage(picture))
        Die(QStringLiteral("not enough memory"));
    ExportOptions options;
    options.format = format;
    options.dither = dither;
    return PreviewImage(surface, options).convertToFormat(QImage::Format_RGB32);
}

struct Score
{
    double psnr;                      // after blur, over all channels
    int channels;                     // 3, or 1 for grey (red, green and blue alike)
    std::array<double, 3> meanError;  // shown minus original, per channel
    std::array<double, 3> patchError; // the same over `patch`
};

// Compares the first `channels` channels of the two pictures.
Score Compare(const QImage &original, const QImage &shown, const QRect &patch, int channels)
{
    const std::array<Plane, 3> a = Planes(original);
    const std::array<Plane, 3> b = Planes(shown);
    Score score{};
    score.channels = channels;
    double squared = 0;
    for (int c = 0; c < channels; ++c) {
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
    const double mse = squared / (channels * double(a[0].values.size()));
    score.psnr = 10 * std::log10(255.0 * 255.0 / mse);
    return score;
}

// "-0.19 +0.39 +6.18", or one figure for grey.
std::string Errors(const std::array<double, 3> &errors, int channels)
{
    std::string text;
    char figure[16];
    for (int c = 0; c < channels; ++c) {
        std::snprintf(figure, sizeof figure, "%s%+.2f", c ? " " : "", errors[std::size_t(c)]);
        text += figure;
    }
    return text;
}

struct Named
{
    PixelFormat format;
    const char *name;
};

// The formats of fewer than 8 bits a channel; mono-lsb and mono-pages code as mono does.
constexpr std::array<Named, 5> kFormats = {{{PixelFormat::Rgb332, "rgb332"},
                                            {PixelFormat::Rgb565, "rgb565"},
                                            {PixelFormat::Rgb666, "rgb666"},
                                            {PixelFormat::Gray4, "gray4"},
                                            {PixelFormat::Mono, "mono"}}};
// Dither::None truncates; for 1 bit it is the threshold 128.
constexpr std::array<std::pair<Dither, const char *>, 4> kModes = {
    {{Dither::None, "none"},
     {Dither::Ordered, "ordered"},
     {Dither::FloydSteinberg, "fs"},
     {Dither::Atkinson, "atkinson"}}};

// What the photo should reach after blur, and the mean error every ordered and fs row should stay
// within (in 8-bit levels, each channel).
struct PsnrGoal
{
    PixelFormat format;
    Dither dither;
    double db;
};
constexpr std::array<PsnrGoal, 6> kPsnrGoals = {{{PixelFormat::Rgb565, Dither::FloydSteinberg, 59},
                                                 {PixelFormat::Rgb565, Dither::Ordered, 52},
                                                 {PixelFormat::Gray4, Dither::FloydSteinberg, 51},
                                                 {PixelFormat::Gray4, Dither::Ordered, 46},
                                                 {PixelFormat::Mono, Dither::FloydSteinberg, 33},
                                                 {PixelFormat::Mono, Dither::Ordered, 29}}};
constexpr double kMeanErrorGoal = 0.5;

void Quality(const QString &picturePath)
{
    const QImage photo = Landscape(640, 480);
    const QImage ramp = Ramp();
    const QRect sky(40, 20, 160, 60); // smooth sky, away from the sun and the hills
    std::printf("quality: PSNR after a sigma 1.2 blur; mean signed error (shown - original) in "
                "8-bit levels,\nR G B, or grey against the picture's grey levels\n");
    std::printf("%-7s %-16s %-9s %7s  %-20s  %s\n", "format", "picture", "dither", "PSNR dB",
                "mean error", "over the sky (photo)");
    std::vector<std::string> missed;
    for (const auto &[format, formatName] : kFormats) {
        const bool grey = Info(format).grey;
        for (const auto &[name, picture, patch] :
             {std::tuple{"photo 640 x 480", photo, sky}, std::tuple{"ramp 0-255", ramp, QRect()}}) {
            const QImage original = grey ? Grey(picture) : picture;
            const bool isPhoto = patch.isValid();
            for (const auto &[dither, mode] : kModes) {
                const Score s = Compare(original, Shown(picture, format, dither),
                                        isPhoto ? patch : picture.rect(), grey ? 1 : 3);
                const std::string errors = Errors(s.meanError, s.channels);
                std::string row = errors;
                if (isPhoto) {
                    row.resize(std::max<std::size_t>(row.size() + 2, 22), ' ');
                    row += Errors(s.patchError, s.channels);
                }
                std::printf("%-7s %-16s %-9s %7.1f  %s\n", formatName, name, mode, s.psnr,
                            row.c_str());
                char why[160] = "";
                const bool measured = dither == Dither::Ordered || dither == Dither::FloydSteinberg;
                for (int c = 0; c < s.channels && measured; ++c)
                    if (std::abs(s.meanError[std::size_t(c)]) > kMeanErrorGoal)
                        std::snprintf(why, sizeof why, "mean error %s beyond +-%.1f",
                                      errors.c_str(), kMeanErrorGoal);
                for (const PsnrGoal &goal : kPsnrGoals)
                    if (isPhoto && goal.format == format && goal.dither == dither &&
                        s.psnr < goal.db)
                        std::snprintf(why, sizeof why, "PSNR %.1f dB below %.0f", s.psnr, goal.db);
                if (why[0])
                    missed.push_back(std::string(formatName) + " " + name + " " + mode + ": " +
                                     why);
            }
        }
    }
    std::printf("goals (photo: rgb565 fs >= 59 dB, ordered >= 52; gray4 fs >= 51, ordered >= 46; "
                "mono fs >= 33,\nordered >= 29; ordered and fs mean errors within +-%.1f): %s\n",
                kMeanErrorGoal, missed.empty() ? "met" : "MISSED");
    for (const std::string &line : missed)
        std::printf("  MISSED %s\n", line.c_str());

    if (picturePath.isEmpty())
        return;
    // Side by side, each at twice its size so that the pattern shows: truncated, ordered, fs.
    const QImage small = Landscape(200, 150);
    QImage sideBySide(3 * 2 * small.width() + 2 * 8, 2 * small.height(), QImage::Format_RGB32);
    sideBySide.fill(Qt::white);
    QPainter painter(&sideBySide);
    for (std::size_t i = 0; i < 3; ++i)
        painter.drawImage(
            QPoint(int(i) * (2 * small.width() + 8), 0),
            Shown(small, PixelFormat::Rgb332, kModes[i].first).scaled(small.size() * 2));
    painter.end();
    if (!sideBySide.save(picturePath))
        Die(QStringLiteral("cannot write %1").arg(picturePath));
    std::printf("wrote %s: truncated, ordered, fs\n", qPrintable(picturePath));
}

// One export the speed part times.
struct Timed
{
    Named format;
    std::pair<Dither, const char *> mode;
    bool binary;
};

void Speed(int runs)
{
    const QByteArray base = qgetenv("PIXOLAN_BENCH_DIR");
    QTemporaryDir dir((base.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(base)) +
                      QStringLiteral("/pixolan-dither-XXXXXX"));
    const QString picture = dir.filePath(QStringLiteral("photo.png"));
    const QString array = dir.filePath(QStringLiteral("photo.c"));
    if (!Landscape(4096, 4096).save(picture))
        Die(QStringLiteral("cannot write %1").arg(picture));
    PictureSurface decoded;
    if (Status s = decoded.Load(picture); !s)
        Die(s.error());

    // Every format with every dither as text, and the undithered binaries of the two formats
    // whose text is the largest and the smallest.
    std::vector<Timed> exports;
    for (const Named &format : kFormats)
        for (const auto &mode : kModes)
            exports.push_back({format, mode, false});
    for (const Named &format : {kFormats[1], kFormats[4]})
        exports.push_back({format, kModes[0], true});

    const auto write = [&array](const PictureSurface &surface, const ExportOptions &options) {
        if (Status s = WriteArrayFile(surface, array, options); !s)
            Die(s.error());
    };
    std::vector<std::function<void()>> steps;
    for (const Timed &timed : exports) {
        ExportOptions options;
        options.format = timed.format.format;
        options.dither = timed.mode.first;
        options.binary = timed.binary;
        steps.push_back([&picture, write, options] {
            PictureSurface surface;
            if (Status s = surface.Load(picture, options); !s)
                Die(s.error());
            write(surface, options);
        });
        steps.push_back([&decoded, write, options] { write(decoded, options); });
    }
    steps.push_back([&picture] {
        PictureSurface surface;
        if (Status s = surface.Load(picture); !s)
            Die(s.error());
    });
    // Resizing alone, on the decoded picture, as the load does it after decoding.
    ExportOptions resized;
    resized.size = QSize(320, 240);
    steps.push_back([&decoded, resized] {
        PictureSurface surface;
        if (!surface.SetImage(decoded.Image(), resized))
            Die(QStringLiteral("not enough memory to resize"));
    });
    std::printf("speed: 4096 x 4096 photo-like PNG; export = load it and write the array file, "
                "write = the\nsame on the decoded picture; medians of %d runs, taken in turns\n",
                runs);
    // Each step writes a new file: replacing the one the step before wrote would charge it with
    // freeing a file of another format's size.
    const std::vector<double> ms =
        bench::MediansMs(runs, steps, [&array] { QFile::remove(array); });

    // The ratios, each against what its goal compares it with.
    const auto exportMs = [&](const char *format, Dither dither, bool binary) {
        for (std::size_t i = 0; i < exports.size(); ++i)
            if (std::string_view(exports[i].format.name) == format &&
                exports[i].mode.first == dither && exports[i].binary == binary)
                return ms[2 * i];
        Die(QStringLiteral("no such export"));
    };
    const double plain = exportMs("rgb332", Dither::None, false);
    std::vector<std::string> missed;
    const auto check = [&missed](const Timed &timed, const char *against, double ratio,
                                 double goal) {
        char line[160];
        std::snprintf(line, sizeof line, "%s%s %s: %.2f x %s, goal %.2f", timed.format.name,
                      timed.binary ? " binary" : "", timed.mode.second, ratio, against, goal);
        if (ratio > goal)
            missed.push_back(line);
    };
    std::printf("%-7s %-7s %-9s %10s %9s %10s %13s %7s\n", "format", "output", "dither",
                "export ms", "write ms", "x default", "x undithered", "x text");
    for (std::size_t i = 0; i < exports.size(); ++i) {
        const Timed &t = exports[i];
        const double undithered = exportMs(t.format.name, Dither::None, t.binary);
        const double text = exportMs(t.format.name, t.mode.first, false);
        std::printf("%-7s %-7s %-9s %10.0f %9.0f %10.2f %13.2f", t.format.name,
                    t.binary ? "binary" : "text", t.mode.second, ms[2 * i], ms[2 * i + 1],
                    ms[2 * i] / plain, ms[2 * i] / undithered);
        if (t.binary)
            std::printf(" %7.2f", ms[2 * i] / text);
        std::printf("\n");
        if (t.mode.first != Dither::None)
            check(t, "undithered", ms[2 * i] / undithered, 1.5);
        else if (t.binary)
            check(t, "text", ms[2 * i] / text, t.format.format == PixelFormat::Rgb565 ? 0.8 : 1.0);
        else if (t.format.format == PixelFormat::Rgb565)
            check(t, "default", ms[2 * i] / plain, 1.25);
        else if (t.format.format == PixelFormat::Mono)
            check(t, "default", ms[2 * i] / plain, 1.0);
    }
    const double decode = ms[ms.size() - 2];
    const double resize = ms.back();
    std::printf("decode alone %.0f ms; --resize 320x240 alone %.0f ms (%.2f x decoding)\n", decode,
                resize, resize / decode);
    std::printf("goals (rgb565 <= 1.25 x default, mono <= 1.0 x; binary <= 0.8 x text for rgb565, "
                "<= 1.0 x\nfor mono; dithered <= 1.5 x undithered): %s\n",
                missed.empty() ? "met" : "MISSED");
    for (const std::string &line : missed)
        std::printf("  MISSED %s\n", line.c_str());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    // The argument after `option`, or nothing.
    const auto value = [&arguments](const char *option) {
        const qsizetype at = arguments.indexOf(QLatin1String(option));
        return at > 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
    };
    const int runs = value("--runs").isNull() ? 5 : value("--runs").toInt();
    if (runs < 1)
        Die(QStringLiteral("--runs needs a count of 1 or more"));
    Quality(value("--picture"));
    if (arguments.contains(QStringLiteral("--speed")))
        Speed(runs);
    return 0;
}
