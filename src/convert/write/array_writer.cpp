// SPDX-License-Identifier: MIT
#include "convert/write/array_writer.h"

#include "convert/pixels/lines.h"
#include "convert/pixels/pack_colour.h"
#include "convert/read/picture_sequence.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_text.h"
#include "convert/write/lvgl_image.h"
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

// The two hexadecimal digits of every byte, for the low byte of a 16-bit value.
constexpr std::array<std::array<char, 2>, 256> MakeTwoDigits()
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> table{};
    for (int value = 0; value < 256; ++value)
        table[value] = {kDigits[value >> 4], kDigits[value & 15]};
    return table;
}
constexpr auto kTwoDigits = MakeTwoDigits();
constexpr std::size_t kLongestWord = 8; // "0xFFFF, "

// Appends `count` 16-bit values as "0x1F, " to "0xFFFF, ", in blocks.
void AppendWords(BlockWriter &out, const std::uint32_t *values, int count)
{
    for (int x = 0; x < count;) {
        const int step =
            int(std::min<std::size_t>(kBlockBytes / kLongestWord, std::size_t(count - x)));
        char *cursor = out.reserve(std::size_t(step) * kLongestWord);
        for (const std::uint32_t *value = values + x, *end = value + step; value != end; ++value) {
            if (*value < 256) {
                const ValueText &text = kValueTexts[*value];
                std::memcpy(cursor, text.text, sizeof text.text);
                cursor += text.length;
                continue;
            }
            // The high byte without leading zeros, its ", " then overwritten by the low byte.
            const ValueText &high = kValueTexts[*value >> 8];
            std::memcpy(cursor, high.text, sizeof high.text);
            cursor += high.length - 2;
            std::memcpy(cursor, kTwoDigits[*value & 255].data(), 2);
            std::memcpy(cursor + 2, ", ", 2);
            cursor += 4;
        }
        out.commit(cursor);
        x += step;
    }
}

// Lines that make AVR's PROGMEM mean something on AVR and nothing elsewhere.
constexpr std::string_view kProgmemLines = "#if defined(__AVR__)\r\n"
                                           "#include <avr/pgmspace.h>\r\n"
                                           "#elif !defined(PROGMEM)\r\n"
                                           "#define PROGMEM\r\n"
                                           "#endif\r\n";

// What comes before the array's values: the includes a format (and a list of delays) needs, then
// its first line.
QByteArray ArrayOpening(const FormatInfo &info, const ExportOptions &options, bool delays)
{
    QByteArray text;
    const bool standardTypes = info.format != PixelFormat::Rgb332 || delays;
    const bool aligned = info.layout == Layout::WordHighFirst;
    if (standardTypes)
        text += "#include <stdint.h>\r\n";
    if (options.progmem)
        text += kProgmemLines;
    if (aligned)
        // Aligned to 2 bytes, so that the array can be passed as const uint16_t *.
        text += "#if defined(__cplusplus)\r\n"
                "#define PIXOLAN_ALIGNED_2 alignas(2)\r\n"
                "#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L\r\n"
                "#define PIXOLAN_ALIGNED_2 _Alignas(2)\r\n"
                "#else\r\n"
                "#define PIXOLAN_ALIGNED_2 __attribute__((aligned(2)))\r\n"
                "#endif\r\n";
    if (!text.isEmpty())
        text += "\r\n";
    if (aligned)
        text += "PIXOLAN_ALIGNED_2 ";
    text += "const " + QByteArray(info.element.data(), qsizetype(info.element.size())) + " " +
            options.name.toLatin1() + "[]";
    if (options.progmem)
        text += " PROGMEM";
    return text + " = {\r\n";
}

// Appends one picture's lines: its bytes, or its text a line a row (a page for pages).
void AppendPicture(BlockWriter &out, const PictureSurface &surface, const ExportOptions &options)
{
    const FormatInfo &info = Info(options.format);
    const int width = surface.Width();
    const int height = surface.Height();
    if (options.binary) {
        LineCoder lines(surface, options);
        const std::size_t lineBytes = std::size_t(lines.LineBytes());
        for (int line = 0; line < lines.Lines() && !out.failed(); ++line) {
            char *cursor = out.reserve(lineBytes);
            lines.NextBytes(reinterpret_cast<std::uint8_t *>(cursor));
            out.commit(cursor + lineBytes);
        }
    } else if (info.format == PixelFormat::Rgb332 && options.dither == Dither::None) {
        // The plain conversion packs and formats in one pass.
        for (int y = 0; y < height && !out.failed(); ++y) {
            AppendValues(out, surface.Row(y), width,
                         [](QRgb pixel) { return PackColour(ColourFromRgb(pixel)); });
            out.append(kRowEnd);
        }
    } else {
        LineCoder lines(surface, options);
        std::vector<std::uint8_t> bytes(std::size_t(lines.LineBytes()));
        for (int line = 0; line < lines.Lines() && !out.failed(); ++line) {
            if (info.layout == Layout::Word) {
                AppendWords(out, lines.NextCodes(), width);
            } else {
                lines.NextBytes(bytes.data());
                AppendBytes(out, bytes.data(), int(bytes.size()));
            }
            out.append(kRowEnd);
        }
    }
}

// A frame's delay as the array holds it: uint16_t milliseconds.
int DelayValue(int milliseconds)
{
    return std::clamp(milliseconds, 0, 65535);
}

SaveTarget ArrayTarget(PictureSequence &pictures, const QString &path, const ExportOptions &options)
{
    return {path, WriteFailure,
            [&pictures, path, &options](QIODevice &device) {
                return WriteArray(pictures, device, path, options);
            },
            options.keepUnchanged};
}

SaveTarget HeaderTarget(PictureSequence &pictures, const QString &path,
                        const ExportOptions &options)
{
    return {path, HeaderFailure,
            [&pictures, path, &options](QIODevice &device) {
                return WriteHeader(pictures, device, path, options);
            },
            options.keepUnchanged};
}

Status NoFileName(const char *what)
{
    return Status::Failure(
        QStringLiteral("Cannot write the %1: no file name was given").arg(QLatin1String(what)));
}

} // namespace

Status WriteArray(PictureSequence &pictures, QIODevice &device, const QString &name,
                  const ExportOptions &options)
{
    if (options.lvgl != 0)
        return WriteLvglImages(pictures, device, name, options);
    using Kind = PictureSequence::Kind;
    const bool delays = pictures.kind() == Kind::Frames;
    BlockWriter out(device);
    if (!options.binary)
        out.append(std::string_view(ArrayOpening(Info(options.format), options, delays)));
    for (int index = 0; index < pictures.Count() && !out.failed(); ++index) {
        const PictureSurface *picture = nullptr;
        if (Status loaded = pictures.Load(index, &picture); !loaded)
            return loaded;
        if (pictures.kind() != Kind::Single && !options.binary)
            out.append(std::string_view(
                QByteArray(delays ? "/* frame " : "/* tile ") + QByteArray::number(index) +
                (delays ? ": " + QByteArray::number(pictures.Delays()[std::size_t(index)]) + " ms"
                        : QByteArray()) +
                " */\r\n"));
        AppendPicture(out, *picture, options);
    }
    if (!options.binary)
        out.append(kLastLine);
    if (delays && !options.binary) {
        QByteArray text = "\r\nconst uint16_t " + options.name.toLatin1() + "_delays[] = {\r\n";
        for (const int delay : pictures.Delays())
            text += QByteArray::number(DelayValue(delay)) + ", ";
        out.append(std::string_view(text + "\r\n};\r\n"));
    }

    if (!out.flush())
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteArrayFile(PictureSequence &pictures, const QString &path, const ExportOptions &options)
{
    if (path.isEmpty())
        return NoFileName("array file");
    return SaveFile(ArrayTarget(pictures, path, options));
}

Status WriteHeader(PictureSequence &pictures, QIODevice &device, const QString &name,
                   const ExportOptions &options)
{
    if (options.lvgl != 0)
        return WriteLvglHeader(pictures, device, name, options);
    const FormatInfo &info = Info(options.format);
    const bool sequence = pictures.kind() != PictureSequence::Kind::Single;
    const bool delays = pictures.kind() == PictureSequence::Kind::Frames && !options.binary;
    const bool standard =
        info.format == PixelFormat::Rgb332 && !options.progmem && !options.binary && !delays;
    const QString &array = options.name;
    const QString macro = array.toUpper();
    const int width = pictures.Width();
    const int height = pictures.Height();
    const auto latin1 = [](std::string_view text) {
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    };

    QString text = QStringLiteral("/* %1: ").arg(array);
    if (sequence)
        text += QStringLiteral("%1 %2 of ")
                    .arg(pictures.Count())
                    .arg(pictures.kind() == PictureSequence::Kind::Frames ? "frames" : "tiles");
    text += QStringLiteral("%1 x %2 pixels, ").arg(width).arg(height);
    if (info.format != PixelFormat::Rgb332)
        text += latin1(info.title) + QStringLiteral(", ");
    text += latin1(info.pixelWords) + (info.layout == Layout::Pages
                                           ? QStringLiteral(".\n")
                                           : QStringLiteral(", row by row from the top left.\n"));
    text += options.binary
                ? QStringLiteral("   Written by pixolan-export together with the binary file. */\n")
                : QStringLiteral("   Written by pixolan-export together with the array's source "
                                 "file. */\n");
    text += QStringLiteral("#ifndef PIXOLAN_%1_H\n#define PIXOLAN_%1_H\n\n").arg(macro);
    if (!standard && !options.binary) {
        if (info.format != PixelFormat::Rgb332 || delays)
            text += QStringLiteral("#include <stdint.h>\n");
        if (options.progmem)
            text += QString::fromLatin1(kProgmemLines.data(), qsizetype(kProgmemLines.size()))
                        .remove(QLatin1Char('\r'));
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("#define %1_WIDTH %2\n#define %1_HEIGHT %3\n")
                .arg(macro)
                .arg(width)
                .arg(height);
    if (info.Padded())
        text += QStringLiteral("#define %1_STRIDE %2\n").arg(macro).arg(info.LineBytes(width));
    const qint64 frameBytes = info.Bytes(width, height);
    if (sequence)
        text += QStringLiteral("#define %1_FRAMES %2\n#define %1_FRAME_SIZE %3\n")
                    .arg(macro)
                    .arg(pictures.Count())
                    .arg(frameBytes);
    text += QStringLiteral("#define %1_SIZE %2\n").arg(macro).arg(frameBytes * pictures.Count());
    if (!options.binary) {
        const QString element = info.format == PixelFormat::Rgb332 ? QStringLiteral("unsigned char")
                                                                   : latin1(info.element);
        const QString count = info.ElementBytes() == 2 ? QStringLiteral("%1_SIZE / 2").arg(macro)
                                                       : QStringLiteral("%1_SIZE").arg(macro);
        text += QStringLiteral("\n"
                               "#ifdef __cplusplus\n"
                               "extern \"C\" {\n"
                               "#endif\n"
                               "\n"
                               "extern const %1 %2[%3]%4;\n")
                    .arg(element, array, count,
                         options.progmem ? QStringLiteral(" PROGMEM") : QString());
        if (delays)
            text +=
                QStringLiteral("extern const uint16_t %1_delays[%2_FRAMES];\n").arg(array, macro);
        text += QStringLiteral("\n"
                               "#ifdef __cplusplus\n"
                               "}\n"
                               "#endif\n");
    }
    text += QStringLiteral("\n#endif\n");
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray bytes = text.toLatin1();
    if (!WriteFully(device, bytes.constData(), bytes.size()))
        return Status::Failure(HeaderFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteHeaderFile(PictureSequence &pictures, const QString &path, const ExportOptions &options)
{
    if (path.isEmpty())
        return NoFileName("header");
    return SaveFile(HeaderTarget(pictures, path, options));
}

Status WriteArrayAndHeaderFiles(PictureSequence &pictures, const QString &arrayPath,
                                const QString &headerPath, const ExportOptions &options)
{
    if (arrayPath.isEmpty())
        return NoFileName("array file");
    if (headerPath.isEmpty())
        return NoFileName("header");
    const SaveTarget targets[] = {ArrayTarget(pictures, arrayPath, options),
                                  HeaderTarget(pictures, headerPath, options)};
    return SaveFiles(targets);
}

// The one picture of a surface.

Status WriteArray(const PictureSurface &surface, QIODevice &device, const QString &name,
                  const ExportOptions &options)
{
    return WriteArray(*PictureSequence::Of(surface), device, name, options);
}

Status WriteArrayFile(const PictureSurface &surface, const QString &path,
                      const ExportOptions &options)
{
    return WriteArrayFile(*PictureSequence::Of(surface), path, options);
}

Status WriteHeader(const PictureSurface &surface, QIODevice &device, const QString &name,
                   const ExportOptions &options)
{
    return WriteHeader(*PictureSequence::Of(surface), device, name, options);
}

Status WriteHeaderFile(const PictureSurface &surface, const QString &path,
                       const ExportOptions &options)
{
    return WriteHeaderFile(*PictureSequence::Of(surface), path, options);
}

Status WriteArrayAndHeaderFiles(const PictureSurface &surface, const QString &arrayPath,
                                const QString &headerPath, const ExportOptions &options)
{
    return WriteArrayAndHeaderFiles(*PictureSequence::Of(surface), arrayPath, headerPath, options);
}

} // namespace pixolan
