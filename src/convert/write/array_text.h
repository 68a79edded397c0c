// SPDX-License-Identifier: MIT
#pragma once

// What every writer of C source text shares: the values as "0x1C, " text, gathered into blocks
// that go out whole, the line ends of the array file, and the messages of a failed write.

#include "convert/write/save_file.h"

#include <QDir>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace pixolan {

inline constexpr std::string_view kRowEnd = "\r\n\r\n"; // ends the row line, then the empty line
inline constexpr std::string_view kLastLine = "};\r\n";

// The text of every byte value, "0x0, " to "0xFF, ", padded to eight bytes so that the hot loop
// copies a fixed eight and then advances by the real length.
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
        ValueText &entry = table[std::size_t(value)];
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

inline constexpr std::array<ValueText, 256> kValueTexts = MakeValueTexts();
inline constexpr std::size_t kLongestValue = 6;

// Output is gathered into blocks of about this size and written one block at a time.
inline constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
inline constexpr std::size_t kPixelsPerStep = kBlockBytes / kLongestValue;

inline QString WriteFailure(const QString &name, const QString &reason)
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(name), reason);
}

inline QString HeaderFailure(const QString &name, const QString &reason)
{
    return QStringLiteral("Cannot write the header \"%1\": %2")
        .arg(QDir::toNativeSeparators(name), reason);
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
        if (text.size() > kBlockBytes) { // a name longer than a block goes out on its own
            if (flush())
                m_failed = !WriteFully(m_device, text.data(), qint64(text.size()));
            return;
        }
        commit(std::ranges::copy(text, reserve(text.size())).out);
    }

    bool flush()
    {
        if (m_failed || m_used == 0)
            return !m_failed;
        m_failed = !WriteFully(m_device, m_block.data(), qint64(m_used));
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

// Appends the values of `count` pixels or codes, in blocks; `code` gives each one's value.
template <typename Element, typename Code>
void AppendValues(BlockWriter &out, const Element *elements, int count, Code code)
{
    for (int x = 0; x < count;) {
        const int step = int(std::min<std::size_t>(kPixelsPerStep, std::size_t(count - x)));
        char *cursor = out.reserve(std::size_t(step) * kLongestValue);
        for (const Element *element = elements + x, *end = element + step; element != end;
             ++element) {
            const ValueText &value = kValueTexts[code(*element)];
            std::memcpy(cursor, value.text, sizeof value.text);
            cursor += value.length;
        }
        out.commit(cursor);
        x += step;
    }
}

// Appends `count` bytes as values, in blocks.
inline void AppendBytes(BlockWriter &out, const std::uint8_t *bytes, int count)
{
    AppendValues(out, bytes, count, [](std::uint8_t byte) { return byte; });
}

} // namespace pixolan
