// SPDX-License-Identifier: MIT
#include "convert/write/array_writer.h"

#include "convert/pixels/dither.h"
#include "convert/pixels/pack_colour.h"
#include "convert/read/picture_surface.h"
#include "convert/write/save_file.h"

#include <QDir>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace pixolan {
namespace {

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

QString HeaderFailure(const QString &name, const QString &reason)
{
    return QStringLiteral("Cannot write the header \"%1\": %2")
        .arg(QDir::toNativeSeparators(name), reason);
}

} // namespace

Status WriteArray(const PictureSurface &surface, QIODevice &device, const QString &name,
                  const ExportOptions &options)
{
    const int width = surface.Width();
    const int height = surface.Height();
    BlockWriter out(device);

    const QByteArray arrayName = options.name.toLatin1();
    out.append("const int8 ");
    out.append(std::string_view(arrayName));
    out.append("[] = {\r\n");
    if (options.dither == Dither::None) {
        // The plain conversion packs and formats in one pass.
        for (int y = 0; y < height && !out.failed(); ++y) {
            AppendValues(out, surface.Row(y), width,
                         [](QRgb pixel) { return PackColour(ColourFromRgb(pixel)); });
            out.append(kRowEnd);
        }
    } else {
        PixelCoder coder(options.dither, width);
        std::vector<std::uint8_t> codes(std::size_t(std::max(width, 0)));
        for (int y = 0; y < height && !out.failed(); ++y) {
            coder.CodeRow(surface.Row(y), y, codes.data());
            AppendValues(out, codes.data(), width, [](std::uint8_t code) { return code; });
            out.append(kRowEnd);
        }
    }
    out.append(kLastLine);

    if (!out.flush())
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

namespace {

SaveTarget ArrayTarget(const PictureSurface &surface, const QString &path,
                       const ExportOptions &options)
{
    return {path, WriteFailure,
            [&surface, path, &options](QIODevice &device) {
                return WriteArray(surface, device, path, options);
            },
            options.keepUnchanged};
}

SaveTarget HeaderTarget(const PictureSurface &surface, const QString &path,
                        const ExportOptions &options)
{
    return {path, HeaderFailure,
            [&surface, path, &options](QIODevice &device) {
                return WriteHeader(surface, device, path, options);
            },
            options.keepUnchanged};
}

Status NoFileName(const char *what)
{
    return Status::Failure(
        QStringLiteral("Cannot write the %1: no file name was given").arg(QLatin1String(what)));
}

} // namespace

Status WriteArrayFile(const PictureSurface &surface, const QString &path,
                      const ExportOptions &options)
{
    if (path.isEmpty())
        return NoFileName("array file");
    return SaveFile(ArrayTarget(surface, path, options));
}

Status WriteHeader(const PictureSurface &surface, QIODevice &device, const QString &name,
                   const ExportOptions &options)
{
    const QString &array = options.name;
    const QString macro = array.toUpper();
    const qint64 size = qint64(surface.Width()) * surface.Height();
    QString text = QStringLiteral(
        "/* %1: %2 x %3 pixels, one RRRGGGBB byte each, row by row from the top left.\n"
        "   Written by pixolan-export together with the array's source file. */\n"
        "#ifndef PIXOLAN_%4_H\n"
        "#define PIXOLAN_%4_H\n"
        "\n"
        "#define %4_WIDTH %2\n"
        "#define %4_HEIGHT %3\n"
        "#define %4_SIZE %5\n"
        "\n"
        "#ifdef __cplusplus\n"
        "extern \"C\" {\n"
        "#endif\n"
        "\n"
        "extern const unsigned char %1[%4_SIZE];\n"
        "\n"
        "#ifdef __cplusplus\n"
        "}\n"
        "#endif\n"
        "\n"
        "#endif\n");
    text = text.arg(array).arg(surface.Width()).arg(surface.Height()).arg(macro).arg(size);
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray bytes = text.toLatin1();
    if (!WriteFully(device, bytes.constData(), bytes.size()))
        return Status::Failure(HeaderFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteHeaderFile(const PictureSurface &surface, const QString &path,
                       const ExportOptions &options)
{
    if (path.isEmpty())
        return NoFileName("header");
    return SaveFile(HeaderTarget(surface, path, options));
}

Status WriteArrayAndHeaderFiles(const PictureSurface &surface, const QString &arrayPath,
                                const QString &headerPath, const ExportOptions &options)
{
    if (arrayPath.isEmpty())
        return NoFileName("array file");
    if (headerPath.isEmpty())
        return NoFileName("header");
    const SaveTarget targets[] = {ArrayTarget(surface, arrayPath, options),
                                  HeaderTarget(surface, headerPath, options)};
    return SaveFiles(targets);
}

} // namespace pixolan
