// SPDX-License-Identifier: MIT
#pragma once

#include <QRgb>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pixolan {

// The pixel formats of panels and graphics libraries. Every one is row-major, top row first,
// leftmost pixel first.
enum class PixelFormat {
    Rgb332,    // RRRGGGBB, one byte a pixel: the array file's own format
    Rgb565,    // the 16-bit value RRRRRGGGGGGBBBBB, one uint16_t a pixel
    Rgb565Be,  // the same value as two bytes, high byte first
    Rgb666,    // three bytes R, G, B, each channel's top 6 bits in bits 7-2
    Rgb888,    // three bytes R, G, B
    Gray8,     // one byte of grey a pixel
    Gray4,     // two pixels a byte, the left one in bits 7-4; rows padded to whole bytes
    Mono,      // eight pixels a byte, the leftmost in bit 7; rows padded to whole bytes
    MonoLsb,   // eight pixels a byte, the leftmost in bit 0; rows padded to whole bytes
    MonoPages, // a byte is 8 pixels of one column, the top in bit 0; pages of 8 rows
};

// How a line's codes are laid into bytes.
enum class Layout {
    Byte,          // the code is the byte
    Word,          // one 16-bit element a pixel; low byte first where bytes are asked for
    WordHighFirst, // two bytes a pixel, high first
    Triplet,       // three bytes a pixel, each channel's code moved to the top of its byte
    Nibbles,       // two pixels a byte, the left one high
    BitsHighFirst, // eight pixels a byte, the leftmost in bit 7
    BitsLowFirst,  // eight pixels a byte, the leftmost in bit 0
    Pages,         // a byte is a column of 8 rows, the top in bit 0
};

// One format: how a pixel becomes its code, and how codes become bytes. Everything the export
// writes (array text, header, binary, preview) is read from here.
struct FormatInfo
{
    PixelFormat format;
    std::string_view name;   // as --format spells it
    std::string_view title;  // for comments and help: "RGB565"
    bool grey;               // codes are of the grey level L, not of red, green and blue
    std::array<int, 3> bits; // bits of the red, green and blue codes; grey: {n, 0, 0}
    Layout layout;
    std::string_view element;    // the C element type of the array
    std::string_view pixelWords; // the header's comment: "one RRRGGGBB byte each"

    int Channels() const { return grey ? 1 : 3; }
    bool OneBit() const { return grey && bits[0] == 1; }
    // Bits of a whole pixel's code: 8 for RGB332, 18 for RGB666, 1 for the 1-bit formats.
    int CodeBits() const { return bits[0] + bits[1] + bits[2]; }
    // Where channel c's code sits in the pixel's code.
    int Shift(int c) const { return c == 0 ? bits[1] + bits[2] : c == 1 ? bits[2] : 0; }
    int ElementBytes() const { return layout == Layout::Word ? 2 : 1; }
    // Rows in one line of the array: one, or a page of 8 rows.
    int RowsPerLine() const { return layout == Layout::Pages ? 8 : 1; }
    // Rows are padded to whole bytes (or the height to whole pages): the header gives a stride.
    bool Padded() const;
    // The bytes of one line of `width` pixels: a row, or a page.
    qint64 LineBytes(int width) const;
    int Lines(int height) const { return (height + RowsPerLine() - 1) / RowsPerLine(); }
    qint64 Bytes(int width, int height) const { return LineBytes(width) * Lines(height); }

    // The colour a panel shows for a pixel's code: each channel widened back by repeating its
    // bits, grey as grey, a lit 1-bit pixel white and the rest black.
    QRgb ShownColour(std::uint32_t code) const;
};

const FormatInfo &Info(PixelFormat format);

// The format --format `text` names; nothing when it names none.
std::optional<PixelFormat> ParseFormat(const QString &text);
// Every format's name, for messages: "rgb332, rgb565, ..., mono-pages".
QString FormatNames();

// The grey level of an 8-bit colour: ITU-R 601 weights in 16-bit fixed point, rounded.
constexpr int GreyLevel(int red, int green, int blue)
{
    return (red * 19595 + green * 38470 + blue * 7471 + 32768) >> 16;
}

// Lays one line's codes into bytes, in the order a little-endian MCU holds them in memory:
// `codes` holds RowsPerLine() rows of `width` codes each (rows past the picture's bottom, in the
// last page, hold zeros), `bytes` LineBytes(width) bytes. Padding bits are 0.
void PackLine(const FormatInfo &info, const std::uint32_t *codes, int width, std::uint8_t *bytes);

} // namespace pixolan
