// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes are loaded as a picture and, when they load, exported to memory.
// A load may fail, but only with a message; an export of what loaded must succeed and have the
// array file's shape. Anything else, and any sanitizer report, is a crash.
#include "convert/array_writer.h"
#include "convert/picture_checks.h"
#include "convert/picture_surface.h"

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

    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    if (!WriteArray(surface, buffer, QStringLiteral("memory")))
        Fail("the export to memory failed");

    // Every value takes five or six bytes ("0x0, " to "0xFF, "); each row adds two line ends.
    const qint64 rows = surface.Height();
    const qint64 pixels = rows * surface.Width();
    const qint64 fixed = qint64(sizeof "const int8 array[] = {\r\n" - 1) + 4 + rows * 4;
    if (text.size() < fixed + 5 * pixels || text.size() > fixed + 6 * pixels ||
        !text.startsWith("const int8 array[] = {\r\n") || !text.endsWith("\r\n\r\n};\r\n"))
        Fail("the export does not have the array file's shape");
    return 0;
}
