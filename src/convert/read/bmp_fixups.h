// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

namespace pixolan {

// A bit-field BMP (16 or 32 bits a pixel, compression 3, with a 40-byte header followed by three
// masks or a 108 or 124-byte header holding four) that the loader reads itself, because Qt 6.4
// reads a channel wider than 8 bits as 0 and an alpha channel narrower than 8 bits as never
// opaque (a 1-bit alpha of 1 as 128).
//
// A colour channel of n bits (1 to 16) with value v becomes v * 256 / 2^n rounded down: its top 8
// bits, with zero bits below when it is narrower, exactly as Qt reads 5-6-5, 5-5-5 and every other
// channel of up to 8 bits. An alpha channel of n bits becomes v * 255 / (2^n - 1) rounded to
// nearest, so that its largest value is opaque and 0 fully transparent; 8-bit alpha is Qt's. A
// mask of 0 gives 0 for a colour and opaque for alpha.
struct BmpBitfields
{
    struct Channel
    {
        std::uint32_t mask = 0;
        int shift = 0; // of the mask's lowest bit
        int bits = 0;  // the mask's width
    };
    Channel red, green, blue, alpha;
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bytesPerPixel = 2;
    qint64 stride = 0;    // bytes a row takes in the file
    qint64 dataStart = 0; // where the first row stored begins
};

// Looks at an encoded BMP whose header Qt accepted. Returns a reason to refuse it, or an empty
// string; fills `own` when the loader is to read it itself (Qt reads every other BMP).
//
// Refused: bit-field masks that overlap, that have gaps, that lie outside the pixel's bits or that
// are wider than 16 bits, and a palette shorter than the header says (the file is whole; Qt would
// take the first pixels as colours and run out of data).
QString InspectBmp(QByteArrayView bytes, std::optional<BmpBitfields> *own);

// Reads the pixels of an inspected bit-field BMP from `device`, which holds the file from its
// start, into Format_RGB32, or Format_ARGB32 with straight alpha where it has an alpha mask.
// Returns a reason when the data ends early or memory runs out, or an empty string.
QString ReadBmpBitfields(QIODevice &device, const BmpBitfields &layout, QImage *image);

} // namespace pixolan
