// SPDX-License-Identifier: MIT
#include "convert/picture_checks.h"

#include <cstdint>
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

// GIF: header, logical screen descriptor and its colour table, then extensions until the first
// image descriptor, whose LZW data sub-blocks must end with a zero-length block.
bool GifCutShort(const Bytes &b)
{
    auto skipSubBlocks = [&b](qint64 pos) -> std::optional<qint64> {
        while (b.has(pos, 1)) {
            const qint64 length = b.u8(pos);
            if (length == 0)
                return pos + 1;
            pos += 1 + length;
        }
        return std::nullopt;
    };
    auto colourTableBytes = [](std::uint8_t flags) -> qint64 {
        return (flags & 0x80) ? 3 * (qint64(2) << (flags & 0x07)) : 0;
    };

    if (!b.has(0, 13))
        return true;
    qint64 pos = 13 + colourTableBytes(b.u8(10));
    while (b.has(pos, 1)) {
        const std::uint8_t introducer = b.u8(pos);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            const auto next = skipSubBlocks(pos + 2);
            if (!next)
                return true;
            pos = *next;
        } else if (introducer == 0x2C) { // image descriptor
            if (!b.has(pos, 11))
                return true;
            pos += 10 + colourTableBytes(b.u8(pos + 9)) + 1; // descriptor, table, LZW code size
            return !skipSubBlocks(pos).has_value();
        } else {
            return false; // a trailer or garbage before any frame: the decoder refuses it
        }
    }
    return true;
}

// BMP: uncompressed pixel data must fit between the data offset and the end of the file; RLE
// data must reach its end-of-bitmap code before the file ends.
bool BmpCutShort(const Bytes &b)
{
    if (!b.has(0, 18))
        return true;
    const qint64 dataOffset = b.le32(10);
    const qint64 headerSize = b.le32(14);
    qint64 width = 0;
    qint64 height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) { // OS/2 1.x core header
        if (!b.has(14, 12))
            return true;
        width = b.le16(18);
        height = b.le16(20);
        bitsPerPixel = b.le16(24);
    } else {
        if (!b.has(14, 20))
            return true;
        width = static_cast<std::int32_t>(b.le32(18));
        height = static_cast<std::int32_t>(b.le32(22));
        bitsPerPixel = b.le16(28);
        compression = b.le32(30);
    }
    if (width <= 0 || width > (qint64(1) << 24) || height == 0 || height < -(qint64(1) << 24) ||
        height > (qint64(1) << 24) || bitsPerPixel == 0 || bitsPerPixel > 32)
        return false; // nonsense headers are the decoder's to refuse
    if (height < 0)
        height = -height;

    const bool rle8 = compression == 1;
    const bool rle4 = compression == 2;
    if (!rle8 && !rle4) {
        if (compression != 0 && compression != 3 && compression != 6)
            return false; // JPEG or PNG inside a BMP: not ours to measure
        const qint64 stride = (width * bitsPerPixel + 31) / 32 * 4;
        return !b.has(dataOffset, stride * height);
    }

    qint64 pos = dataOffset;
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

} // namespace

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
