// SPDX-License-Identifier: MIT
#pragma once

#include "convert/pixels/pixel_format.h"

#include <QRgb>
#include <QSize>
#include <QString>

#include <optional>

namespace pixolan {

// How a picture is brought to the panel's size.
enum class Fit {
    Contain, // scaled to fit inside, centred on the background colour
    Cover,   // scaled to fill, the overhang cropped evenly from both sides
    Stretch, // scaled to exactly the size, whatever the aspect ratio
};

// How pixels are scaled: averaged (photos) or picked (pixel art).
enum class Filter { Smooth, Nearest };

// How a picture is mirrored after it is turned, for a panel mounted or scanning another way.
enum class Flip { None, Horizontal, Vertical };

// How each pixel's colour becomes its code.
enum class Dither {
    None,           // every channel truncated, as PackColour() does; 1 bit by a threshold
    Ordered,        // an 8 x 8 Bayer threshold against the levels the panel shows
    FloydSteinberg, // the error to the shown level carried to the neighbours, rows alternating
    Atkinson,       // 1/8 of the error to each of six neighbours, a quarter of it dropped
};

// Everything an export can be asked to do beyond the plain conversion. The defaults are the plain
// conversion itself, byte for byte: the window always uses them.
struct ExportOptions
{
    static constexpr int kMaxSide = 16384;

    // Files whose bytes would not change are left as they are, dates included (SaveTarget's
    // keepUnchanged), for build tools; off, every file is replaced, as the window always does.
    bool keepUnchanged = false;

    QString name = QStringLiteral("array"); // the array's identifier (see ArrayNameProblem())
    QRgb background = 0xFFFFFFFF;           // under transparent pixels, and around Fit::Contain
    int rotate = 0;                         // clockwise: 0, 90, 180 or 270 degrees
    Flip flip = Flip::None;                 // after the rotation
    QSize size = {};                        // the exported size; invalid: the picture's own
    Fit fit = Fit::Contain;
    Filter filter = Filter::Smooth;
    Dither dither = Dither::None;
    PixelFormat format = PixelFormat::Rgb332;
    int threshold = 128;  // 1-bit formats: a pixel whose grey level is at least this is lit (1)
    bool invert = false;  // 1-bit formats: the dark pixels are the 1s
    bool progmem = false; // the array, and its declaration, carry AVR's PROGMEM
    bool binary = false;  // the array's bytes as an MCU holds them, instead of C source
    int lvgl = 0;         // 9 or 8: an image of that LVGL version (see lvgl_image.h); 0: none
    bool alpha = false;   // transparency kept as straight alpha, not laid over the background
};

// Why `name` cannot name the array, or nothing when it can: it must be a C identifier
// ([A-Za-z_][A-Za-z0-9_]*) that is no keyword of C (C23) or C++ (C++20), nor "main", nor the
// element type "int8". With a header, NAME_WIDTH must not be a macro of the C library either
// (SIZE_WIDTH, UINT8_WIDTH, ...). The words are listed in reserved_names.inc.
std::optional<QString> ArrayNameProblem(const QString &name, bool withHeader = false);

// The values of the export's options as typed on a command line; nothing when `text` is not one.
std::optional<QSize> ParseSize(const QString &text);    // "320x240", each side 1 to kMaxSide
std::optional<QRgb> ParseColour(const QString &text);   // "RRGGBB" or "#RRGGBB", hexadecimal
std::optional<Fit> ParseFit(const QString &text);       // "contain", "cover" or "stretch"
std::optional<Filter> ParseFilter(const QString &text); // "smooth" or "nearest"
std::optional<Dither> ParseDither(const QString &text); // "none", "ordered", "fs", "atkinson"
std::optional<int> ParseThreshold(const QString &text); // "1" to "255"
std::optional<int> ParseRotation(const QString &text);  // "90", "180" or "270"
std::optional<Flip> ParseFlip(const QString &text);     // "horizontal" or "vertical"
std::optional<int> ParseLvgl(const QString &text);      // "9" or "8"

} // namespace pixolan
