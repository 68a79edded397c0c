// SPDX-License-Identifier: MIT
#include "convert/write/lvgl_image.h"

#include "convert/read/picture_sequence.h"

#include "convert/pixels/lines.h"
#include "convert/read/picture_surface.h"
#include "convert/write/array_text.h"

#include <QStringList>

#include <cstring>
#include <vector>

namespace pixolan {
namespace {

// Where a pixel's alpha goes in the map.
enum class AlphaBytes {
    None,
    AfterEachPixel, // after the pixel's colour bytes: ARGB8888, LVGL 8's TRUE_COLOR_ALPHA
    Plane,          // a byte a pixel after all the colour rows: RGB565A8
};

// One colour format of LVGL: the pixel format it is made from, and the settings it is drawn
// under.
struct LvglFormat
{
    int version;
    PixelFormat format;
    bool alpha;
    std::string_view cf; // LVGL's name of the colour format
    int cfValue;         // its value, for the binary file's header
    bool indexed;        // the map begins with a palette of every code's colour
    AlphaBytes alphaBytes;
    // A condition on LVGL's settings under which the map would be drawn wrongly, and what the
    // #error then says after the image's name.
    std::string_view wrongWhen = {};
    std::string_view madeFor = {};
};

using enum PixelFormat;
constexpr AlphaBytes kNone = AlphaBytes::None;
constexpr AlphaBytes kAfter = AlphaBytes::AfterEachPixel;

constexpr std::string_view kNotDepth8 = "LV_COLOR_DEPTH != 8";
constexpr std::string_view kForDepth8 = "was made for LV_COLOR_DEPTH 8 (--format rgb332): give "
                                        "--format rgb565 for depth 16";
constexpr std::string_view kNotPlain16 = "LV_COLOR_DEPTH != 16 || LV_COLOR_16_SWAP";
constexpr std::string_view kForPlain16 =
    "was made for LV_COLOR_DEPTH 16 without LV_COLOR_16_SWAP (--format rgb565): give --format "
    "rgb565be for LV_COLOR_16_SWAP 1, rgb332 for depth 8";
constexpr std::string_view kNotSwapped16 = "LV_COLOR_DEPTH != 16 || !LV_COLOR_16_SWAP";
constexpr std::string_view kForSwapped16 =
    "was made for LV_COLOR_DEPTH 16 with LV_COLOR_16_SWAP 1 (--format rgb565be): give --format "
    "rgb565 without it, rgb332 for depth 8";

constexpr LvglFormat kLvglFormats[] = {
    {9, Rgb565, false, "LV_COLOR_FORMAT_RGB565", 0x12, false, kNone},
    {9, Rgb565Be, false, "LV_COLOR_FORMAT_RGB565_SWAPPED", 0x1B, false, kNone,
     "LVGL_VERSION_MINOR < 3",
     "is RGB565_SWAPPED, which LVGL 9.3 and later draw: give --format rgb565 for an older LVGL 9"},
    {9, Rgb888, false, "LV_COLOR_FORMAT_RGB888", 0x0F, false, kNone},
    {9, Gray8, false, "LV_COLOR_FORMAT_L8", 0x06, false, kNone},
    {9, Rgb332, false, "LV_COLOR_FORMAT_I8", 0x0A, true, kNone},
    {9, Gray4, false, "LV_COLOR_FORMAT_I4", 0x09, true, kNone},
    {9, Mono, false, "LV_COLOR_FORMAT_I1", 0x07, true, kNone},
    {9, Rgb565, true, "LV_COLOR_FORMAT_RGB565A8", 0x14, false, AlphaBytes::Plane},
    {9, Rgb888, true, "LV_COLOR_FORMAT_ARGB8888", 0x10, false, kAfter},
    {8, Rgb332, false, "LV_IMG_CF_TRUE_COLOR", 4, false, kNone, kNotDepth8, kForDepth8},
    {8, Rgb565, false, "LV_IMG_CF_TRUE_COLOR", 4, false, kNone, kNotPlain16, kForPlain16},
    {8, Rgb565Be, false, "LV_IMG_CF_TRUE_COLOR", 4, false, kNone, kNotSwapped16, kForSwapped16},
    {8, Mono, false, "LV_IMG_CF_INDEXED_1BIT", 7, true, kNone},
    {8, Rgb332, true, "LV_IMG_CF_TRUE_COLOR_ALPHA", 5, false, kAfter, kNotDepth8, kForDepth8},
    {8, Rgb565, true, "LV_IMG_CF_TRUE_COLOR_ALPHA", 5, false, kAfter, kNotPlain16, kForPlain16},
    {8, Rgb565Be, true, "LV_IMG_CF_TRUE_COLOR_ALPHA", 5, false, kAfter, kNotSwapped16,
     kForSwapped16},
};

const LvglFormat *FindLvgl(const ExportOptions &options)
{
    for (const LvglFormat &lvgl : kLvglFormats)
        if (lvgl.version == options.lvgl && lvgl.format == options.format &&
            lvgl.alpha == options.alpha)
            return &lvgl;
    return nullptr;
}

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

constexpr int kLvgl8MaxSide = 2047; // 11 bits of LVGL 8's header
constexpr int kLvgl9MaxStride = 65535;

// How the map of one image is laid out.
struct Map
{
    const LvglFormat &lvgl;
    const FormatInfo &info;
    int width;
    int height;

    int PaletteEntries() const { return lvgl.indexed ? 1 << info.CodeBits() : 0; }
    // The bytes of a row of colours, the header's stride.
    qint64 RowBytes() const
    {
        return info.LineBytes(width) + (lvgl.alphaBytes == kAfter ? width : 0);
    }
    qint64 Bytes() const
    {
        const qint64 plane = lvgl.alphaBytes == AlphaBytes::Plane ? qint64(width) * height : 0;
        return 4 * PaletteEntries() + RowBytes() * height + plane;
    }
};

// Why LVGL's header cannot describe the surface, if it cannot.
std::optional<QString> SizeProblem(const Map &map)
{
    if (map.width <= 0 || map.height <= 0)
        return QStringLiteral("there is no picture to write");
    if (map.lvgl.version == 8 && (map.width > kLvgl8MaxSide || map.height > kLvgl8MaxSide))
        return QStringLiteral("an LVGL 8 image is at most %1 x %1 pixels, and this picture is "
                              "%2 x %3: give --resize, or --lvgl 9")
            .arg(kLvgl8MaxSide)
            .arg(map.width)
            .arg(map.height);
    if (map.lvgl.version == 9 && map.RowBytes() > kLvgl9MaxStride)
        return QStringLiteral("a row of an LVGL 9 image is at most %1 bytes, and one of this "
                              "picture in %2 is %3: give --resize")
            .arg(kLvgl9MaxStride)
            .arg(Latin1(map.lvgl.cf))
            .arg(map.RowBytes());
    return std::nullopt;
}

// The palette: every code's colour as the preview shows it, as B, G, R, 0xFF.
std::vector<std::uint8_t> PaletteBytes(const Map &map)
{
    std::vector<std::uint8_t> bytes;
    for (int code = 0; code < map.PaletteEntries(); ++code) {
        const QRgb colour = map.info.ShownColour(std::uint32_t(code));
        bytes.insert(bytes.end(), {std::uint8_t(qBlue(colour)), std::uint8_t(qGreen(colour)),
                                   std::uint8_t(qRed(colour)), 0xFF});
    }
    return bytes;
}

// Lays out one row of colours: the codes as the format packs them (24-bit colours as B, G, R,
// LVGL's order) and, where the alpha follows each pixel, its alpha after its colour bytes.
void ColourRow(const Map &map, const std::uint32_t *codes, const QRgb *pixels, std::uint8_t *out,
               std::uint8_t *packed)
{
    const bool alpha = map.lvgl.alphaBytes == kAfter;
    if (map.info.format == Rgb888) {
        for (int x = 0; x < map.width; ++x) {
            *out++ = std::uint8_t(codes[x]);
            *out++ = std::uint8_t(codes[x] >> 8);
            *out++ = std::uint8_t(codes[x] >> 16);
            if (alpha)
                *out++ = std::uint8_t(qAlpha(pixels[x]));
        }
        return;
    }
    if (!alpha) {
        PackLine(map.info, codes, map.width, out);
        return;
    }
    PackLine(map.info, codes, map.width, packed);
    const std::size_t size = std::size_t(map.info.LineBytes(1)); // 1 or 2 bytes a pixel
    for (int x = 0; x < map.width; ++x, packed += size) {
        out = std::copy_n(packed, size, out);
        *out++ = std::uint8_t(qAlpha(pixels[x]));
    }
}

// Hands every row of the map after the palette to `row(bytes, count)`, which returns false to
// stop: the rows of colours, then for an alpha plane a row of alpha bytes each.
template <typename Row>
void ForEachRow(const PictureSurface &surface, const ExportOptions &options, const Map &map,
                Row row)
{
    LineCoder lines(surface, options);
    std::vector<std::uint8_t> bytes(std::size_t(map.RowBytes()));
    std::vector<std::uint8_t> packed(std::size_t(map.info.LineBytes(map.width)));
    for (int y = 0; y < map.height; ++y) {
        ColourRow(map, lines.NextCodes(), surface.Row(y), bytes.data(), packed.data());
        if (!row(bytes.data(), int(bytes.size())))
            return;
    }
    if (map.lvgl.alphaBytes != AlphaBytes::Plane)
        return;
    for (int y = 0; y < map.height; ++y) {
        std::ranges::transform(surface.Row(y), surface.Row(y) + map.width, bytes.begin(),
                               [](QRgb pixel) { return std::uint8_t(qAlpha(pixel)); });
        if (!row(bytes.data(), map.width))
            return;
    }
}

// LVGL's binary header: LVGL 9's 12 bytes (magic, cf, flags, w, h, stride, reserved), or LVGL 8's
// word of cf (5 bits), always_zero (3), reserved (2), w (11) and h (11); little-endian.
QByteArray BinaryHeader(const Map &map)
{
    const auto little = [](QByteArray &bytes, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += char(value >> (8 * i));
    };
    QByteArray bytes;
    if (map.lvgl.version == 8) {
        little(bytes,
               std::uint32_t(map.lvgl.cfValue) | std::uint32_t(map.width) << 10 |
                   std::uint32_t(map.height) << 21,
               4);
        return bytes;
    }
    bytes += char(0x19); // LV_IMAGE_HEADER_MAGIC
    bytes += char(map.lvgl.cfValue);
    little(bytes, 0, 2);
    little(bytes, std::uint32_t(map.width), 2);
    little(bytes, std::uint32_t(map.height), 2);
    little(bytes, std::uint32_t(map.RowBytes()), 2);
    little(bytes, 0, 2);
    return bytes;
}

// LVGL included the way LVGL's own images include it.
constexpr std::string_view kIncludeLvgl = "#if defined(LV_LVGL_H_INCLUDE_SIMPLE)\n"
                                          "#include \"lvgl.h\"\n"
                                          "#else\n"
                                          "#include \"lvgl/lvgl.h\"\n"
                                          "#endif\n";

QString Descriptor(const Map &map)
{
    return map.lvgl.version == 9 ? QStringLiteral("lv_image_dsc_t")
                                 : QStringLiteral("lv_img_dsc_t");
}

QByteArray CrLf(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n")).toLatin1();
}

// Everything before the maps: LVGL, the checks of its version and settings, the attributes.
QByteArray Opening(const Map &map, const QString &name)
{
    const int other = map.lvgl.version == 9 ? 8 : 9;
    QString text = Latin1(kIncludeLvgl);
    text += QStringLiteral("\n#if LVGL_VERSION_MAJOR != %1\n"
                           "#error \"%2 was made for LVGL %1 (--lvgl %1): give --lvgl %3 for "
                           "LVGL %3\"\n"
                           "#endif\n")
                .arg(map.lvgl.version)
                .arg(name)
                .arg(other);
    if (!map.lvgl.wrongWhen.empty())
        text += QStringLiteral("#if %1\n#error \"%2 %3\"\n#endif\n")
                    .arg(Latin1(map.lvgl.wrongWhen), name, Latin1(map.lvgl.madeFor));
    text += QStringLiteral("\n"
                           "#ifndef LV_ATTRIBUTE_MEM_ALIGN\n"
                           "#define LV_ATTRIBUTE_MEM_ALIGN\n"
                           "#endif\n"
                           "#ifndef LV_ATTRIBUTE_LARGE_CONST\n"
                           "#define LV_ATTRIBUTE_LARGE_CONST\n"
                           "#endif\n");
    return CrLf(text);
}

// The first line of the map of the image `name`.
QByteArray MapLine(const QString &name)
{
    return CrLf(QStringLiteral("\nconst LV_ATTRIBUTE_MEM_ALIGN LV_ATTRIBUTE_LARGE_CONST uint8_t "
                               "%1_map[] = {\n")
                    .arg(name));
}

// What follows the map: the descriptor, every member of the version's structs initialised in
// their order (the reserved ones differ between LVGL 9.0, 9.1 and 9.3), with C linkage in C++.
QByteArray Closing(const Map &map, const QString &name)
{
    QString text =
        QStringLiteral("\n#ifdef __cplusplus\nextern \"C\" const %1 %2; /* as in C */\n#endif\n\n"
                       "const %1 %2 = {\n    .header = {\n")
            .arg(Descriptor(map), name);
    if (map.lvgl.version == 9)
        text += QStringLiteral("        .magic = LV_IMAGE_HEADER_MAGIC,\n"
                               "        .cf = %1,\n"
                               "        .flags = 0,\n"
                               "        .w = %2,\n"
                               "        .h = %3,\n"
                               "        .stride = %4,\n"
                               "        .reserved_2 = 0,\n")
                    .arg(Latin1(map.lvgl.cf))
                    .arg(map.width)
                    .arg(map.height)
                    .arg(map.RowBytes());
    else
        text += QStringLiteral("        .cf = %1,\n"
                               "        .always_zero = 0,\n"
                               "        .reserved = 0,\n"
                               "        .w = %2,\n"
                               "        .h = %3,\n")
                    .arg(Latin1(map.lvgl.cf))
                    .arg(map.width)
                    .arg(map.height);
    text +=
        QStringLiteral("    },\n    .data_size = sizeof(%1_map),\n    .data = %1_map,\n").arg(name);
    if (map.lvgl.version == 9)
        text += QStringLiteral("#if LVGL_VERSION_MINOR >= 1\n"
                               "    .reserved = NULL,\n"
                               "#endif\n"
                               "#if LVGL_VERSION_MINOR >= 3\n"
                               "    .reserved_2 = NULL,\n"
                               "#endif\n");
    return CrLf(text + QStringLiteral("};\n"));
}

// Appends the map and the descriptor of the image `name` of the surface.
void AppendImage(BlockWriter &out, const PictureSurface &surface, const ExportOptions &options,
                 const Map &map, const QString &name)
{
    out.append(std::string_view(MapLine(name)));
    const std::vector<std::uint8_t> palette = PaletteBytes(map);
    for (std::size_t entry = 0; entry < palette.size(); entry += 4) {
        AppendBytes(out, palette.data() + entry, 4);
        out.append("\r\n");
    }
    if (!palette.empty())
        out.append("\r\n");
    ForEachRow(surface, options, map, [&out](const std::uint8_t *bytes, int count) {
        AppendBytes(out, bytes, count);
        out.append(kRowEnd);
        return !out.failed();
    });
    out.append(kLastLine);
    out.append(std::string_view(Closing(map, name)));
}

Map MapOf(const PictureSurface &surface, const ExportOptions &options)
{
    return {*FindLvgl(options), Info(options.format), surface.Width(), surface.Height()};
}

} // namespace

std::optional<QString> LvglOptionsProblem(const ExportOptions &options)
{
    if (options.lvgl == 0)
        return options.alpha ? std::optional(QStringLiteral(
                                   "--alpha goes with --lvgl: only LVGL images keep transparency"))
                             : std::nullopt;
    if (options.progmem)
        return QStringLiteral("--progmem goes with the plain array: LVGL places its images by "
                              "LV_ATTRIBUTE_LARGE_CONST");
    if (FindLvgl(options))
        return std::nullopt;
    QStringList names;
    for (const LvglFormat &lvgl : kLvglFormats)
        if (lvgl.version == options.lvgl && lvgl.alpha == options.alpha)
            names += Latin1(Info(lvgl.format).name);
    const QString last = names.takeLast();
    return QStringLiteral("--lvgl %1%2 takes --format %3 or %4, not %5")
        .arg(options.lvgl)
        .arg(options.alpha ? QStringLiteral(" with --alpha") : QString())
        .arg(names.join(QStringLiteral(", ")), last, Latin1(Info(options.format).name));
}

Status WriteLvglImage(const PictureSurface &surface, QIODevice &device, const QString &name,
                      const ExportOptions &options)
{
    if (const std::optional<QString> problem = LvglOptionsProblem(options))
        return Status::Failure(WriteFailure(name, *problem));
    const Map map = MapOf(surface, options);
    if (const std::optional<QString> problem = SizeProblem(map))
        return Status::Failure(WriteFailure(name, *problem));

    BlockWriter out(device);
    const std::vector<std::uint8_t> palette = PaletteBytes(map);
    if (options.binary) {
        const QByteArray header = BinaryHeader(map);
        out.append(std::string_view(header.constData(), std::size_t(header.size())));
        const auto raw = [&out](const std::uint8_t *bytes, int count) {
            char *cursor = out.reserve(std::size_t(count));
            std::memcpy(cursor, bytes, std::size_t(count));
            out.commit(cursor + count);
            return !out.failed();
        };
        if (!palette.empty())
            raw(palette.data(), int(palette.size()));
        ForEachRow(surface, options, map, raw);
    } else {
        out.append(std::string_view(Opening(map, options.name)));
        AppendImage(out, surface, options, map, options.name);
    }
    if (!out.flush())
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteLvglHeader(const PictureSurface &surface, QIODevice &device, const QString &name,
                       const ExportOptions &options)
{
    return WriteLvglHeader(*PictureSequence::Of(surface), device, name, options);
}

Status WriteLvglImages(PictureSequence &pictures, QIODevice &device, const QString &name,
                       const ExportOptions &options)
{
    if (pictures.kind() == PictureSequence::Kind::Single || options.binary) {
        const PictureSurface *picture = nullptr;
        if (Status loaded = pictures.Load(0, &picture); !loaded)
            return loaded;
        return WriteLvglImage(*picture, device, name, options);
    }
    if (const std::optional<QString> problem = LvglOptionsProblem(options))
        return Status::Failure(WriteFailure(name, *problem));
    BlockWriter out(device);
    QString list;
    for (int index = 0; index < pictures.Count() && !out.failed(); ++index) {
        const PictureSurface *picture = nullptr;
        if (Status loaded = pictures.Load(index, &picture); !loaded)
            return loaded;
        const Map map = MapOf(*picture, options);
        if (const std::optional<QString> problem = SizeProblem(map))
            return Status::Failure(WriteFailure(name, *problem));
        if (index == 0)
            out.append(std::string_view(Opening(map, options.name)));
        const QString image = QStringLiteral("%1_%2").arg(options.name).arg(index);
        AppendImage(out, *picture, options, map, image);
        list += QStringLiteral("    &%1,\n").arg(image);
        if (index == 0) // the list's type, once known
            list.prepend(QStringLiteral("\n#ifdef __cplusplus\nextern \"C\" const %1 *%2_frames[];"
                                        "\n#endif\n\nconst %1 *%2_frames[] = {\n")
                             .arg(Descriptor(map), options.name));
    }
    QString text = list + QStringLiteral("};\n");
    if (pictures.kind() == PictureSequence::Kind::Frames) {
        text += QStringLiteral("\n#ifdef __cplusplus\nextern \"C\" const uint16_t %1_delays[];\n"
                               "#endif\n\nconst uint16_t %1_delays[] = {\n")
                    .arg(options.name);
        for (const int delay : pictures.Delays())
            text += QStringLiteral("%1, ").arg(std::clamp(delay, 0, 65535));
        text += QStringLiteral("\n};\n");
    }
    out.append(std::string_view(CrLf(text)));
    if (!out.flush())
        return Status::Failure(WriteFailure(name, device.errorString()));
    return Status::Ok();
}

Status WriteLvglHeader(PictureSequence &pictures, QIODevice &device, const QString &name,
                       const ExportOptions &options)
{
    if (const std::optional<QString> problem = LvglOptionsProblem(options))
        return Status::Failure(HeaderFailure(name, *problem));
    const PictureSurface *picture = nullptr;
    if (Status loaded = pictures.Load(0, &picture); !loaded)
        return loaded;
    const Map map = MapOf(*picture, options);
    const QString &image = options.name;
    const QString macro = image.toUpper();
    // Frames or tiles, each an image of its own (LVGL's binary file holds the first alone).
    const bool many = pictures.kind() != PictureSequence::Kind::Single && !options.binary;
    const bool frames = pictures.kind() == PictureSequence::Kind::Frames;
    QString text =
        many ? QStringLiteral("/* %1: %2 %3 of %4 x %5 pixels, LVGL %6 images %1_0 to %1_%7, %8.\n")
                   .arg(image)
                   .arg(pictures.Count())
                   .arg(frames ? QStringLiteral("frames") : QStringLiteral("tiles"))
                   .arg(map.width)
                   .arg(map.height)
                   .arg(map.lvgl.version)
                   .arg(pictures.Count() - 1)
                   .arg(Latin1(map.lvgl.cf))
             : QStringLiteral("/* %1: %2 x %3 pixels, an LVGL %4 image, %5.\n")
                   .arg(image)
                   .arg(map.width)
                   .arg(map.height)
                   .arg(map.lvgl.version)
                   .arg(Latin1(map.lvgl.cf));
    text += options.binary ? QStringLiteral("   Written by pixolan-export together with LVGL's "
                                            "binary file: its header, then %1_SIZE bytes. */\n")
                                 .arg(macro)
            : many ? QStringLiteral("   Written by pixolan-export together with the "
                                    "images' source file. */\n")
                   : QStringLiteral("   Written by pixolan-export together with the "
                                    "image's source file. */\n");
    text += QStringLiteral("#ifndef PIXOLAN_%1_H\n#define PIXOLAN_%1_H\n\n").arg(macro);
    if (!options.binary)
        text += Latin1(kIncludeLvgl) + QLatin1Char('\n');
    text += QStringLiteral("#define %1_WIDTH %2\n#define %1_HEIGHT %3\n")
                .arg(macro)
                .arg(map.width)
                .arg(map.height);
    if (map.lvgl.version == 9)
        text += QStringLiteral("#define %1_STRIDE %2\n").arg(macro).arg(map.RowBytes());
    if (many)
        text += QStringLiteral("#define %1_FRAMES %2\n#define %1_FRAME_SIZE %3\n")
                    .arg(macro)
                    .arg(pictures.Count())
                    .arg(map.Bytes());
    text += QStringLiteral("#define %1_SIZE %2\n")
                .arg(macro)
                .arg(map.Bytes() * (many ? pictures.Count() : 1));
    if (!options.binary) {
        text += QStringLiteral("\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n");
        if (!many)
            text += QStringLiteral("extern const %1 %2;\n").arg(Descriptor(map), image);
        for (int index = 0; many && index < pictures.Count(); ++index)
            text +=
                QStringLiteral("extern const %1 %2_%3;\n").arg(Descriptor(map), image).arg(index);
        if (many)
            text += QStringLiteral("extern const %1 *%2_frames[%3_FRAMES];\n")
                        .arg(Descriptor(map), image, macro);
        if (many && frames)
            text +=
                QStringLiteral("extern const uint16_t %1_delays[%2_FRAMES];\n").arg(image, macro);
        text += QStringLiteral("\n#ifdef __cplusplus\n}\n#endif\n");
    }
    const QByteArray bytes = CrLf(text + QStringLiteral("\n#endif\n"));
    if (!WriteFully(device, bytes.constData(), bytes.size()))
        return Status::Failure(HeaderFailure(name, device.errorString()));
    return Status::Ok();
}

} // namespace pixolan
