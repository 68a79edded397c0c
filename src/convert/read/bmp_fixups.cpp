// SPDX-License-Identifier: MIT
#include "convert/read/bmp_fixups.h"

#include "convert/read/picture_checks.h"

#include <QList>

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace pixolan {
namespace {

std::uint32_t Le32(QByteArrayView bytes, qint64 pos)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | std::uint8_t(bytes[pos + i]);
    return value;
}

BmpBitfields::Channel ChannelOf(std::uint32_t mask)
{
    BmpBitfields::Channel channel;
    channel.mask = mask;
    channel.shift = mask ? std::countr_zero(mask) : 0;
    channel.bits = std::popcount(mask);
    return channel;
}

// Why a channel's mask cannot be honoured, or an empty string.
QString MaskFault(const char *name, const BmpBitfields::Channel &channel, int bitsPerPixel)
{
    if (bitsPerPixel == 16 && channel.mask > 0xFFFF)
        return QStringLiteral("a BMP whose %1 mask (0x%2) lies outside its 16-bit pixels")
            .arg(QLatin1String(name))
            .arg(channel.mask, 0, 16);
    const std::uint32_t low = channel.mask >> channel.shift;
    if (low & (low + 1)) // not one run of set bits
        return QStringLiteral("a BMP whose %1 mask (0x%2) has gaps")
            .arg(QLatin1String(name))
            .arg(channel.mask, 0, 16);
    if (channel.bits > 16)
        return QStringLiteral("a BMP whose %1 mask (0x%2) is wider than 16 bits")
            .arg(QLatin1String(name))
            .arg(channel.mask, 0, 16);
    return {};
}

// The 8-bit value of a colour channel: its top 8 bits, zeros below when it is narrower.
inline unsigned Colour(std::uint32_t pixel, const BmpBitfields::Channel &channel)
{
    const unsigned value = (pixel & channel.mask) >> channel.shift;
    return channel.bits <= 8 ? value << (8 - channel.bits) : value >> (channel.bits - 8);
}

} // namespace

QString InspectBmp(QByteArrayView bytes, std::optional<BmpBitfields> *own)
{
    own->reset();
    if (const std::optional<BmpShortPalette> palette = FindBmpShortPalette(bytes))
        return QStringLiteral("a BMP whose palette is shorter than its header says (%1 of %2 "
                              "colours)")
            .arg(palette->present)
            .arg(palette->declared);

    const std::optional<BmpHeader> h = ReadBmpHeader(bytes);
    if (!h || h->compression != 3 || (h->bitsPerPixel != 16 && h->bitsPerPixel != 32) ||
        (h->headerSize != 40 && h->headerSize != 108 && h->headerSize != 124) || h->width <= 0 ||
        h->height == 0 || bytes.size() < 14 + 56)
        return {}; // Qt's to read, or to refuse; a file cut in its masks is cut short
    const int bits = int(h->bitsPerPixel);

    BmpBitfields layout;
    layout.red = ChannelOf(Le32(bytes, 54));
    layout.green = ChannelOf(Le32(bytes, 58));
    layout.blue = ChannelOf(Le32(bytes, 62));
    if (h->headerSize >= 108)
        layout.alpha = ChannelOf(Le32(bytes, 66));
    const std::array<std::pair<const char *, const BmpBitfields::Channel *>, 4> channels = {
        {{"red", &layout.red},
         {"green", &layout.green},
         {"blue", &layout.blue},
         {"alpha", &layout.alpha}}};
    for (const auto &[name, channel] : channels)
        if (QString fault = MaskFault(name, *channel, bits); !fault.isEmpty())
            return fault;
    for (std::size_t i = 0; i < channels.size(); ++i)
        for (std::size_t j = i + 1; j < channels.size(); ++j)
            if (channels[i].second->mask & channels[j].second->mask)
                return QStringLiteral("a BMP whose %1 and %2 masks overlap")
                    .arg(QLatin1String(channels[i].first), QLatin1String(channels[j].first));

    // Qt reads every mask of up to 8 bits right, and an alpha mask of exactly 8 bits.
    const bool wide = std::any_of(channels.begin(), channels.end(),
                                  [](const auto &channel) { return channel.second->bits > 8; });
    if (!wide && (layout.alpha.bits == 0 || layout.alpha.bits == 8))
        return {};

    layout.width = int(h->width);
    layout.height = int(h->height < 0 ? -h->height : h->height);
    layout.topDown = h->height < 0;
    layout.bytesPerPixel = bits / 8;
    layout.stride = (qint64(h->width) * bits + 31) / 32 * 4;
    // The pixels follow the masks, or start later if the data offset says so.
    layout.dataStart =
        std::max<qint64>(14 + h->headerSize + (h->headerSize == 40 ? 12 : 0), h->dataOffset);
    *own = layout;
    return {};
}

QString ReadBmpBitfields(QIODevice &device, const BmpBitfields &layout, QImage *image)
{
    const bool hasAlpha = layout.alpha.mask != 0;
    *image = QImage(layout.width, layout.height,
                    hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::vector<char> row;
    std::vector<std::uint8_t> alphas; // every alpha value's 8-bit one
    if (!image->isNull()) {
        try {
            row.resize(std::size_t(layout.stride));
            alphas.resize(hasAlpha ? std::size_t(1) << layout.alpha.bits : 0);
        } catch (const std::bad_alloc &) {
            *image = QImage();
        }
    }
    if (image->isNull())
        return QStringLiteral("not enough memory to hold the picture");
    const unsigned largest = (1u << layout.alpha.bits) - 1;
    for (unsigned value = 0; value < alphas.size(); ++value)
        alphas[value] = std::uint8_t((value * 255 + largest / 2) / largest);

    if (!device.seek(layout.dataStart))
        return QStringLiteral("picture is cut short");
    for (int stored = 0; stored < layout.height; ++stored) {
        if (device.read(row.data(), layout.stride) != layout.stride) {
            *image = QImage();
            return QStringLiteral("picture is cut short");
        }
        const int y = layout.topDown ? stored : layout.height - 1 - stored;
        auto *out = reinterpret_cast<QRgb *>(image->scanLine(y));
        const auto *in = reinterpret_cast<const std::uint8_t *>(row.data());
        for (int x = 0; x < layout.width; ++x, in += layout.bytesPerPixel) {
            std::uint32_t pixel = in[0] | std::uint32_t(in[1]) << 8;
            if (layout.bytesPerPixel == 4)
                pixel |= std::uint32_t(in[2]) << 16 | std::uint32_t(in[3]) << 24;
            const unsigned alpha =
                hasAlpha ? alphas[(pixel & layout.alpha.mask) >> layout.alpha.shift] : 255;
            out[x] = qRgba(Colour(pixel, layout.red), Colour(pixel, layout.green),
                           Colour(pixel, layout.blue), alpha);
        }
    }
    return {};
}

} // namespace pixolan
