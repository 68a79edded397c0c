// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes are loaded as a picture and, when they load, exported to memory,
// plainly, in every panel format and LVGL image and with the export's options (dithered, resized,
// alpha kept). A load may fail, but only with a message; an export of what loaded must succeed and
// have the array file's shape. Anything else, and any sanitizer report, is a crash.
#include "convert/read/picture_checks.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_writer.h"
#include "convert/write/lvgl_image.h"

#include <QBuffer>
#include <QByteArray>

#include <sanitizer/common_interface_defs.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Decoded pictures are held to 4 MB (4 bytes a pixel), so that a tiny header cannot make the
// decoders allocate gigabytes, and big pictures do not eat the fuzzing time: a picture near the
// limit costs a tenth of a second, a few bytes of header cost microseconds. PIXOLAN_FUZZ_MAX_PIXELS
// sets another limit.
qint64 MaxPixels()
{
    static const qint64 limit = [] {
        bool ok = false;
        const qint64 set = qEnvironmentVariable("PIXOLAN_FUZZ_MAX_PIXELS").toLongLong(&ok);
        return ok && set > 0 ? set : qint64(1024) * 1024;
    }();
    return limit;
}

// Reported where sanitizer reports go, which stays open when libFuzzer closes stderr.
[[noreturn]] void Fail(const char *what)
{
    __sanitizer_report_error_summary(what);
    std::abort();
}

// Exports the surface to memory with the options; the text must have the array file's shape.
void CheckExport(const pixolan::PictureSurface &surface, const pixolan::ExportOptions &options)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    if (!pixolan::WriteArray(surface, buffer, QStringLiteral("memory"), options))
        Fail("the export to memory failed");

    // Every value takes five or six bytes ("0x0, " to "0xFF, "); each row adds two line ends.
    const QByteArray first = "const int8 " + options.name.toLatin1() + "[] = {\r\n";
    const qint64 rows = surface.Height();
    const qint64 pixels = rows * surface.Width();
    const qint64 fixed = first.size() + 4 + rows * 4;
    if (text.size() < fixed + 5 * pixels || text.size() > fixed + 6 * pixels ||
        !text.startsWith(first) || !text.endsWith("\r\n\r\n};\r\n"))
        Fail("the export does not have the array file's shape");
}

// Exports the surface in every other format, as bytes and as text, with the options' dither
// where the format has fewer than 8 bits a channel: the bytes must be exactly the format's size.
void CheckFormats(const pixolan::PictureSurface &surface, pixolan::ExportOptions options)
{
    using namespace pixolan;
    const Dither dither = options.dither;
    for (int f = int(PixelFormat::Rgb565); f <= int(PixelFormat::MonoPages); ++f) {
        options.format = PixelFormat(f);
        const FormatInfo &info = Info(options.format);
        options.dither = info.bits[0] < 8 ? dither : Dither::None;
        for (const bool binary : {true, false}) {
            options.binary = binary;
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!WriteArray(surface, buffer, QStringLiteral("memory"), options))
                Fail("an export in another format failed");
            if (binary ? bytes.size() != info.Bytes(surface.Width(), surface.Height())
                       : !bytes.endsWith("\r\n\r\n};\r\n"))
                Fail("an export in another format has the wrong size or shape");
        }
    }
}

// Loads the input again with its alpha kept and exports every LVGL image of it, as LVGL's binary
// file and as text: the file's header must give the picture's size, and the map must follow it.
void CheckLvgl(const QByteArray &input, pixolan::ExportOptions options)
{
    using namespace pixolan;
    options.alpha = true;
    PictureSurface surface;
    surface.SetMaxPixels(MaxPixels());
    if (!surface.LoadBytes(input, QStringLiteral("fuzz input"), options))
        Fail("a picture that loaded failed to load with its alpha");
    const int w = surface.Width(), h = surface.Height();
    const Dither dither = options.dither;
    for (const int version : {9, 8})
        for (int f = int(PixelFormat::Rgb332); f <= int(PixelFormat::MonoPages); ++f)
            for (const bool alpha : {false, true}) {
                options.lvgl = version;
                options.format = PixelFormat(f);
                options.alpha = alpha;
                if (LvglOptionsProblem(options))
                    continue;
                options.dither = Info(options.format).bits[0] < 8 ? dither : Dither::None;
                for (const bool binary : {true, false}) {
                    options.binary = binary;
                    QByteArray bytes;
                    QBuffer buffer(&bytes);
                    buffer.open(QIODevice::WriteOnly);
                    const Status written =
                        WriteArray(surface, buffer, QStringLiteral("memory"), options);
                    if (!written) { // only a size LVGL's header cannot hold is refused
                        if (!written.error().contains(QStringLiteral("at most")))
                            Fail("an LVGL export failed");
                        continue;
                    }
                    // The width and height from LVGL 9's 16-bit fields of its 12-byte header,
                    // or the 11-bit ones of LVGL 8's 4-byte word.
                    const int header = version == 9 ? 12 : 4;
                    const auto field = [&bytes](int bit, int bits) {
                        std::uint64_t value = 0;
                        for (int i = 7; i >= 0; --i)
                            value = value << 8 | std::uint8_t(i < bytes.size() ? bytes[i] : 0);
                        return int(value >> bit & ((1u << bits) - 1));
                    };
                    const bool shaped =
                        !binary ? bytes.endsWith("\r\n};\r\n")
                                : bytes.size() > header &&
                                      (version == 9 ? field(32, 16) == w && field(48, 16) == h
                                                    : field(10, 11) == w && field(21, 11) == h);
                    if (!shaped)
                        Fail("an LVGL export has the wrong header or shape");
                }
            }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace pixolan;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // The structural checks walk hostile bytes of every format, not only of the one that Qt
    // recognises in them; their answers do not matter here, their memory safety does.
    for (const char *format : {"png", "jpeg", "gif", "bmp"})
        IsCutShort(format, bytes);
    ReadBmpDeclared(bytes);

    // The surface holds one pixel that a failed load must leave as it was.
    static const QImage kEarlier = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(qRgb(0x12, 0x34, 0x56));
        return image;
    }();
    PictureSurface surface;
    surface.SetMaxPixels(MaxPixels());
    if (!surface.SetImage(kEarlier))
        Fail("no memory for one pixel");
    const Status loaded = surface.LoadBytes(bytes, QStringLiteral("fuzz input"));
    if (!loaded) {
        if (!loaded.error().startsWith(QStringLiteral("Cannot load \"fuzz input\": ")))
            Fail("a failed load without the file's name");
        if (surface.Width() != 1 || surface.Height() != 1 || surface.PixelColour(0, 0) != 0x563412)
            Fail("a failed load changed the earlier picture");
        return 0;
    }
    if (surface.Width() <= 0 || surface.Height() <= 0 ||
        qint64(surface.Width()) * surface.Height() > MaxPixels())
        Fail("a loaded picture of an impossible size");

    CheckExport(surface, {});
    CheckFormats(surface, {});

    // The options on what loaded, chosen by the input's bytes: a dither of the picture itself,
    // then a resize to a small size of every shape and fit, dithered too.
    const auto pick = [&](std::size_t i, int count) { return int(data[i % size]) % count; };
    ExportOptions options;
    options.dither = pick(0, 2) ? Dither::FloydSteinberg : Dither::Ordered;
    CheckExport(surface, options);
    options.dither = Dither(1 + pick(5, 3));
    options.threshold = 1 + pick(6, 255);
    options.invert = pick(7, 2);
    CheckFormats(surface, options);
    CheckLvgl(bytes, options);
    options.name = QStringLiteral("fuzz");
    options.background = 0xFF000000u | (data[size / 2] * 0x010203u & 0xFFFFFFu);
    options.size = QSize(1 + pick(1, 48), 1 + pick(2, 48));
    options.fit = Fit(pick(3, 3));
    options.filter = pick(4, 2) ? Filter::Smooth : Filter::Nearest;
    PictureSurface fitted;
    if (!fitted.SetImage(surface.Image(), options))
        Fail("resizing what loaded failed");
    if (QSize(fitted.Width(), fitted.Height()) != options.size)
        Fail("a resize gave another size");
    CheckExport(fitted, options);
    return 0;
}
