// SPDX-License-Identifier: MIT
#include "convert/array_writer.h"

#include "convert/pack_colour.h"
#include "convert/picture_surface.h"
#include "convert/save_file.h"

#include <QDir>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace pixolan {
namespace {

constexpr std::string_view kFirstLine = "const int8 array[] = {\r\n";
constexpr std::string_view kRowEnd = "\r\n\r\n"; // ends the row line, then the empty line
constexpr std::string_view kLastLine = "};\r\n";

// The text of every packed value, "0x0, " to "0xFF, ", padded to eight bytes so that the hot
// loop copies a fixed eight and then advances by the real length.
struct ValueText
{
    char text[8];
    std::size_t length;
};

constexpr std::array<ValueText, 256> MakeValueTexts()
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<ValueText, 256> table{};
    for (int value = 0; value < 256; ++value) {
        ValueText &entry = table[value];
        std::size_t n = 0;
        entry.text[n++] = '0';
        entry.text[n++] = 'x';
        if (value >= 16)
            entry.text[n++] = kDigits[value >> 4];
        entry.text[n++] = kDigits[value & 15];
        entry.text[n++] = ',';
        entry.text[n++] = ' ';
        entry.length = n;
    }
    return table;
}

constexpr std::array<ValueText, 256> kValueTexts = MakeValueTexts();
constexpr std::size_t kLongestValue = 6;

// Output is gathered into blocks of about this size and written one block at a time.
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr std::size_t kPixelsPerStep = kBlockBytes / kLongestValue;

QString WriteFailure(const QString &name, const QString &reason)
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(name), reason);
}

class BlockWriter
{
public:
    BlockWriter(QIODevice &device) : m_device(device), m_block(kBlockBytes + sizeof(ValueText)) {}

    // Room for `bytes` more, plus the slack the eight-byte copies need; flushes when short.
    char *reserve(std::size_t bytes)
    {
        if (m_used + bytes > kBlockBytes)
            flush();
        return m_block.data() + m_used;
    }
    void commit(char *end) { m_used = std::size_t(end - m_block.data()); }
    void append(std::string_view text)
    {
        commit(std::ranges::copy(text, reserve(text.size())).out);
    }

    bool flush()
    {
        if (m_failed || m_used == 0)
            return !m_failed;
        // A short write is retried: the device reports why only once nothing more goes out.
        for (std::size_t done = 0; done < m_used && !m_failed;) {
            const qint64 written = m_device.write(m_block.data() + done, qint64(m_used - done));
            m_failed = written <= 0;
            done += std::size_t(std::max<qint64>(written, 0));
        }
        m_used = 0;
        return !m_failed;
    }
    bool failed() const { return m_failed; }

private:
    QIODevice &m_device;
    std::vector<char> m_block;
    std::size_t m_used = 0;
    bool m_failed = false;
};

} // namespace

Status WriteArray(const PictureSurface &surface, QIODevice &device, const QString &name)
{
    const int width = surface.Width();
    const int height = surface.Height();
    BlockWriter out(device);

    out.append(kFirstLine);
    for (int y = 0; y < height && !out.failed(); ++y) {
        const QRgb *row = surface.Row(y);
        for (int x = 0; x < width;) {
            const int step = int(std::min<std::size_t>(kPixelsPerStep, std::size_t(width - x)));
            char *cursor = out.reserve(std::size_t(step) * kLongestValue);
            for (const QRgb *pixel = row + x, *end = row + x + step; pixel != end; ++pixel) {
                const ValueText &value = kValueTexts[PackColour(ColourFromRgb(*pixel))];
                std::memcpy(cursor, value.text, sizeof value.text);
                cursor += value.length;
            }
            out.commit(cursor);
            x += step;
        }
        out.append(kRowEnd);
    }
    out.append(kLastLine);

    if (!out.flush())
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteArrayFile(const PictureSurface &surface, const QString &path)
{
    if (path.isEmpty())
        return Status::Failure(
            QStringLiteral("Cannot write the array file: no file name was given"));

    return SaveFile(path, QIODevice::Unbuffered, WriteFailure,
                    [&](QIODevice &device) { return WriteArray(surface, device, path); });
}

} // namespace pixolan
