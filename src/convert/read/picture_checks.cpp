// SPDX-License-Identifier: MIT
#include "convert/read/picture_checks.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace pixolan {
namespace {

// Bounds-checked little and big endian reads over the encoded bytes.
class Bytes
{
public:
    explicit Bytes(QByteArrayView bytes) : m_bytes(bytes) {}

    qint64 size() const { return m_bytes.size(); }
    bool has(qint64 pos, qint64 count) const
    {
        return pos >= 0 && count >= 0 && pos <= size() - count;
    }
    std::uint8_t u8(qint64 pos) const { return static_cast<std::uint8_t>(m_bytes[pos]); }
    std::uint32_t le16(qint64 pos) const { return u8(pos) | u8(pos + 1) << 8; }
    std::uint32_t le32(qint64 pos) const { return le16(pos) | le16(pos + 2) << 16; }
    std::uint32_t be16(qint64 pos) const { return u8(pos) << 8 | u8(pos + 1); }
    std::uint32_t be32(qint64 pos) const { return be16(pos) << 16 | be16(pos + 2); }
    qint64 find(std::uint8_t byte, qint64 from) const
    {
        const qsizetype at = m_bytes.sliced(from).indexOf(static_cast<char>(byte));
        return at < 0 ? -1 : from + at;
    }

private:
    QByteArrayView m_bytes;
};

// PNG: chunks of length, type, data and CRC from byte 8 on; the last one is IEND.
bool PngCutShort(const Bytes &b)
{
    qint64 pos = 8;
    while (b.has(pos, 8)) {
        const qint64 length = b.be32(pos);
        const bool isEnd = b.be32(pos + 4) == 0x49454E44; // "IEND"
        if (!b.has(pos, 12 + length))
            return true;
        if (isEnd)
            return false;
        pos += 12 + length;
    }
    return true;
}

// JPEG: marker segments up to each start-of-scan, entropy-coded data in which a marker is a 0xFF
// followed by anything but 0x00 (a stuffed byte) or a restart marker, and an EOI (0xFFD9) last.
bool JpegCutShort(const Bytes &b)
{
    qint64 pos = 2; // after SOI
    for (;;) {
        // Markers may be preceded by any number of 0xFF fill bytes.
        while (b.has(pos, 1) && b.u8(pos) != 0xFF)
            ++pos; // stray bytes between segments: let the decoder judge them
        while (b.has(pos + 1, 1) && b.u8(pos + 1) == 0xFF)
            ++pos;
        if (!b.has(pos, 2))
            return true;
        const std::uint8_t marker = b.u8(pos + 1);
        pos += 2;
        if (marker == 0xD9)
            return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // markers without a length
        if (!b.has(pos, 2))
            return true;
        const qint64 length = b.be16(pos);
        if (!b.has(pos, length))
            return true;
        pos += length;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data follows a start-of-scan: find the next real marker.
        for (;;) {
            pos = b.find(0xFF, pos);
            if (pos < 0 || !b.has(pos, 2))
                return true;
            const std::uint8_t next = b.u8(pos + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                pos += next == 0xFF ? 1 : 2;
                continue;
            }
            break;
        }
    }
}

// GIF data sub-blocks from `pos`: the position after their zero-length end, if the file has it.
std::optional<qint64> SkipGifSubBlocks(const Bytes &b, qint64 pos)
{
    while (b.has(pos, 1)) {
        const qint64 length = b.u8(pos);
        if (length == 0)
            return pos + 1;
        pos += 1 + length;
    }
    return std::nullopt;
}

qint64 GifColourTableBytes(std::uint8_t flags)
{
    return (flags & 0x80) ? 3 * (qint64(2) << (flags & 0x07)) : 0;
}

// Walks a GIF's blocks: header, logical screen descriptor and its colour table, then extensions
// and images. `frame` is called with each whole image and the delay of the graphic control
// extension before it (in 1/100 s; 0 without one). Stops after the first image when `allFrames`
// is false, else at the trailer. Nothing when the file ends first or inside an image's data.
template <typename Frame> std::optional<qint64> WalkGif(const Bytes &b, bool allFrames, Frame frame)
{
    if (!b.has(0, 13))
        return std::nullopt;
    qint64 pos = 13 + GifColourTableBytes(b.u8(10));
    int delay = 0;
    while (b.has(pos, 1)) {
        const std::uint8_t introducer = b.u8(pos);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            if (b.has(pos, 6) && b.u8(pos + 1) == 0xF9 && b.u8(pos + 2) >= 4)
                delay = int(b.le16(pos + 4));
            const auto next = SkipGifSubBlocks(b, pos + 2);
            if (!next)
                return std::nullopt;
            pos = *next;
        } else if (introducer == 0x2C) { // image descriptor
            if (!b.has(pos, 11))
                return std::nullopt;
            pos += 10 + GifColourTableBytes(b.u8(pos + 9)) + 1; // descriptor, table, code size
            const auto next = SkipGifSubBlocks(b, pos);
            if (!next)
                return std::nullopt;
            frame(delay);
            delay = 0;
            pos = *next;
            if (!allFrames)
                return pos;
        } else if (introducer == 0x3B || !allFrames) {
            return pos; // the trailer; or garbage before any frame, which the decoder refuses
        } else {
            return std::nullopt; // garbage between frames: the animation is damaged
        }
    }
    return std::nullopt;
}

// GIF: the first image's LZW data sub-blocks must end with a zero-length block.
bool GifCutShort(const Bytes &b)
{
    return !WalkGif(b, false, [](int) {}).has_value();
}

std::optional<BmpHeader> ReadHeader(const Bytes &b)
{
    if (!b.has(0, 18) || b.u8(0) != 'B' || b.u8(1) != 'M')
        return std::nullopt;
    BmpHeader h;
    h.dataOffset = b.le32(10);
    h.headerSize = b.le32(14);
    if (h.headerSize == 40 || h.headerSize == 64 || h.headerSize == 108 || h.headerSize == 124) {
        if (!b.has(14, 36))
            return std::nullopt;
        h.width = static_cast<std::int32_t>(b.le32(18));
        h.height = static_cast<std::int32_t>(b.le32(22));
        h.bitsPerPixel = b.le16(28);
        h.compression = b.le32(30);
        h.coloursUsed = b.le32(46);
    } else {
        if (!b.has(14, 12))
            return std::nullopt;
        h.width = static_cast<std::int16_t>(b.le16(18));
        h.height = static_cast<std::int16_t>(b.le16(20));
        h.bitsPerPixel = b.le16(24);
    }
    return h;
}

// Where Qt's reader takes a BMP's pixel data to start: after the headers, the colour masks and
// the palette the header implies, or later if the data offset says so. Nothing for headers that
// are the decoder's to refuse, or an offset beyond 2 GB, which no real picture has.
struct BmpLayout
{
    qint64 paletteStart; // where the palette, if any, begins
    qint64 tablesEnd;    // where Qt's reader is once it has read the masks and the palette
    qint64 stride;       // bytes a row of uncompressed data takes
    qint64 height;       // rows, without the sign
};

std::optional<BmpLayout> LayoutOf(const BmpHeader &h)
{
    const std::uint32_t bits = h.bitsPerPixel;
    if (h.width <= 0 || h.width > (qint64(1) << 24) || h.height == 0 ||
        h.height < -(qint64(1) << 24) || h.height > (qint64(1) << 24) ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return std::nullopt;
    // Qt reads the masks and the palette from right after the info header, then skips forward
    // to the data offset if that lies further on.
    const bool bitfields = h.compression == 3 && (bits == 16 || bits == 32);
    BmpLayout layout;
    layout.paletteStart = 14 + h.headerSize + (bitfields && h.headerSize < 108 ? 12 : 0);
    layout.tablesEnd = layout.paletteStart;
    if (bits <= 8) {
        const qint64 colours = h.coloursUsed ? h.coloursUsed : qint64(1) << bits;
        layout.tablesEnd += colours * (h.headerSize == 12 ? 3 : 4);
    }
    layout.stride = (h.width * bits + 31) / 32 * 4;
    layout.height = h.height < 0 ? -h.height : h.height;
    return layout;
}

// True when the pixel data, read from `dataStart` on, ends before the picture does: uncompressed
// data must fit between there and the end of the file, and RLE data must reach its end-of-bitmap
// code before the file ends.
bool BmpDataCutShort(const Bytes &b, const BmpHeader &h, const BmpLayout &layout, qint64 dataStart)
{
    const bool rle8 = h.compression == 1;
    const bool rle4 = h.compression == 2;
    if (!rle8 && !rle4) {
        if (h.compression != 0 && h.compression != 3)
            return false; // JPEG or PNG inside a BMP, or unknown: not ours to measure
        return !b.has(dataStart, layout.stride * layout.height);
    }

    qint64 pos = dataStart;
    while (b.has(pos, 2)) {
        const std::uint8_t count = b.u8(pos);
        const std::uint8_t code = b.u8(pos + 1);
        pos += 2;
        if (count != 0 || code == 0)
            continue; // an encoded run or an end of line
        if (code == 1)
            return false; // end of bitmap
        if (code == 2) {
            pos += 2; // delta: x and y offsets
            continue;
        }
        const qint64 literalBytes = rle8 ? code : (code + 1) / 2;
        pos += (literalBytes + 1) / 2 * 2; // literal runs are padded to a whole word
    }
    return true;
}

bool BmpCutShort(const Bytes &b)
{
    const std::optional<BmpHeader> h = ReadHeader(b);
    if (!h)
        return true;
    const std::optional<BmpLayout> layout = LayoutOf(*h);
    if (!layout)
        return false; // nonsense headers are the decoder's to refuse
    if (h->dataOffset > std::numeric_limits<std::int32_t>::max())
        return true;
    return BmpDataCutShort(b, *h, *layout, std::max(layout->tablesEnd, h->dataOffset));
}

// A PNG that ends with a whole IEND chunk (length 0, type, its fixed CRC).
bool EndsWithPngEnd(const Bytes &b)
{
    static const std::uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    if (b.size() < 8 + 12)
        return false;
    for (int i = 0; i < 12; ++i)
        if (b.u8(b.size() - 12 + i) != kEnd[i])
            return false;
    return true;
}

} // namespace

std::optional<BmpHeader> ReadBmpHeader(QByteArrayView bytes)
{
    return ReadHeader(Bytes(bytes));
}

std::optional<BmpDeclared> ReadBmpDeclared(QByteArrayView bytes)
{
    const std::optional<BmpHeader> h = ReadHeader(Bytes(bytes));
    if (!h)
        return std::nullopt;
    return BmpDeclared{h->width, h->height < 0 ? -h->height : h->height,
                       h->compression == 1 || h->compression == 2};
}

std::optional<BmpShortPalette> FindBmpShortPalette(QByteArrayView bytes)
{
    const Bytes b(bytes);
    const std::optional<BmpHeader> h = ReadHeader(b);
    if (!h)
        return std::nullopt;
    const std::optional<BmpLayout> layout = LayoutOf(*h);
    if (!layout || h->bitsPerPixel > 8 || h->dataOffset < layout->paletteStart ||
        h->dataOffset >= layout->tablesEnd)
        return std::nullopt;
    if (!BmpDataCutShort(b, *h, *layout, layout->tablesEnd) ||
        BmpDataCutShort(b, *h, *layout, h->dataOffset))
        return std::nullopt;
    const qint64 entry = h->headerSize == 12 ? 3 : 4;
    return BmpShortPalette{(h->dataOffset - layout->paletteStart) / entry,
                           (layout->tablesEnd - layout->paletteStart) / entry};
}

std::optional<std::vector<int>> GifFrameDelays(QByteArrayView bytes)
{
    std::vector<int> delays;
    if (!WalkGif(Bytes(bytes), true, [&delays](int hundredths) {
            const int ms = hundredths * 10;
            delays.push_back(ms < 20 ? 100 : ms);
        }))
        return std::nullopt;
    return delays;
}

bool IsWholePngWithBadLength(QByteArrayView bytes)
{
    const Bytes b(bytes);
    return PngCutShort(b) && EndsWithPngEnd(b);
}

bool IsCutShort(QByteArrayView format, QByteArrayView bytes)
{
    const Bytes b(bytes);
    if (format == "png")
        return PngCutShort(b);
    if (format == "jpeg" || format == "jpg")
        return JpegCutShort(b);
    if (format == "gif")
        return GifCutShort(b);
    if (format == "bmp")
        return BmpCutShort(b);
    return false;
}

} // namespace pixolan
