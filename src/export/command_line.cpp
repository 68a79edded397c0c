// SPDX-License-Identifier: MIT
// The options of pixolan-export: their help, how each value is read, and which go together.
#include "command_line.h"

#include "convert/write/lvgl_image.h"
#include "convert/write/output_path.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <functional>
#include <optional>
#include <vector>

namespace pixolan {
namespace {

constexpr int kUsage = 2;

int UsageError(const QCommandLineParser &parser, const QString &message)
{
    Print(stderr, QStringLiteral("pixolan-export: %1\n\n%2").arg(message, parser.helpText()));
    return kUsage;
}

// An option that takes a value, given at most once. `read`, if there is one, puts the value into
// the export's options (the file names of --preview and --header are read where they are used).
struct ValueOption
{
    QCommandLineOption option;
    // Reads the value into the options; the reason when it is refused.
    std::function<std::optional<QString>(const QString &, ExportOptions &)> read = {};
};

template <typename Value>
auto Into(std::optional<Value> (*parse)(const QString &), Value ExportOptions::*field,
          const char *expected)
{
    return [parse, field, expected](const QString &text,
                                    ExportOptions &options) -> std::optional<QString> {
        const std::optional<Value> value = parse(text);
        if (!value)
            return QLatin1String(expected);
        options.*field = *value;
        return std::nullopt;
    };
}

// Checked once all options are known: with a header, more names are refused.
std::optional<QString> ReadName(const QString &text, ExportOptions &options)
{
    options.name = text;
    return std::nullopt;
}

// Why the format options do not go together, if they do not.
std::optional<QString> FormatProblem(const QCommandLineParser &parser, const ExportOptions &options,
                                     const QCommandLineOption &threshold)
{
    const FormatInfo &info = Info(options.format);
    const QString format = QString::fromLatin1(info.name.data(), qsizetype(info.name.size()));
    const bool thresholdGiven = parser.isSet(threshold);
    if ((thresholdGiven || options.invert) && !info.OneBit())
        return QStringLiteral("--%1 goes with the 1-bit formats mono, mono-lsb and mono-pages, "
                              "not %2")
            .arg(thresholdGiven ? QStringLiteral("threshold") : QStringLiteral("invert"), format);
    if (thresholdGiven && options.dither != Dither::None)
        return QStringLiteral("--threshold goes with --dither none: a dither decides each pixel "
                              "itself");
    if (options.dither != Dither::None && info.bits[0] == 8)
        return QStringLiteral("--dither: %1 keeps all 8 bits of every channel, nothing to dither; "
                              "give a format of fewer bits")
            .arg(format);
    if (options.binary && options.progmem)
        return QStringLiteral("--progmem goes with C source, not with --binary");
    return LvglOptionsProblem(options);
}

} // namespace

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

std::variant<Request, int> ReadCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a picture as C source: one byte per pixel, packed RGB332, or in the panel's own\n"
        "format (--format). Without options the array is the window's \"create array\", byte "
        "for byte.\n"
        "For a 320 x 240 panel:\n"
        "  pixolan-export --resize 320x240 --dither fs --name logo --header logo.h logo.png "
        "logo.c\n"
        "\n"
        "Formats (--format), and what reads each:\n"
        "  rgb332      RRRGGGBB bytes (default): LovyanGFX, TFT_eSPI 8-bit pushImage, LVGL 8 at\n"
        "              depth 8\n"
        "  rgb565      uint16_t values: Adafruit GFX drawRGBBitmap, Arduino_GFX, TFT_eSPI with\n"
        "              setSwapBytes(true), LVGL 9 RGB565, MicroPython RGB565\n"
        "  rgb565be    the same, high byte first: esp_lcd_panel_draw_bitmap, TFT_eSPI pushImage,\n"
        "              LovyanGFX uint16_t *, LVGL 9.3 RGB565_SWAPPED, LV_COLOR_16_SWAP\n"
        "  rgb666      R, G, B bytes, 6 bits each in bits 7-2: ILI9481/9486/9488 over SPI\n"
        "  rgb888      R, G, B bytes: Arduino_GFX draw24bitRGBBitmap, RGB-interface panels\n"
        "  gray8       grey bytes: drawGrayscaleBitmap, LVGL L8, MicroPython GS8\n"
        "  gray4       two greys a byte, left high: SSD1322/SSD1327, MicroPython GS4_HMSB\n"
        "  mono        1 bit, leftmost in bit 7: drawBitmap (Adafruit GFX, TFT_eSPI, u8g2),\n"
        "              MicroPython MONO_HLSB\n"
        "  mono-lsb    1 bit, leftmost in bit 0 (XBM): drawXBitmap, u8g2 drawXBM, MONO_HMSB\n"
        "  mono-pages  columns of 8 rows, top in bit 0: SSD1306/SH1106 RAM, Adafruit_SSD1306\n"
        "              buffer, u8x8 tiles, MicroPython MONO_VLSB\n"
        "\n"
        "LVGL images (--lvgl 9|8): the descriptor NAME for lv_image_set_src(obj, &NAME), or with\n"
        "--binary LVGL's .bin file. --lvgl 9 takes rgb565 (RGB565, RGB565A8 with --alpha),\n"
        "rgb565be (RGB565_SWAPPED, 9.3 on), rgb888 (RGB888, ARGB8888 with --alpha), gray8 (L8),\n"
        "rgb332 (I8 behind a palette of its 256 colours), gray4 (I4) and mono (I1); --lvgl 8\n"
        "rgb332, rgb565 and rgb565be (TRUE_COLOR, TRUE_COLOR_ALPHA with --alpha) and mono\n"
        "(INDEXED_1BIT)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("Also write <file> (PNG): the array as the display will show it."),
        QStringLiteral("file"));
    const QCommandLineOption header(
        QStringLiteral("header"),
        QStringLiteral("Also write <file>, a C/C++ header declaring the array, with "
                       "NAME_WIDTH, NAME_HEIGHT and NAME_SIZE."),
        QStringLiteral("file"));
    const QCommandLineOption resize(QStringLiteral("resize"),
                                    QStringLiteral("Export the picture at exactly <WxH> pixels "
                                                   "(each 1 to 16384), e.g. 320x240."),
                                    QStringLiteral("WxH"));
    const QCommandLineOption fitOption(
        QStringLiteral("fit"),
        QStringLiteral("With --resize: contain (the whole picture, centred on the background; "
                       "the default), cover (fill, cropping the overhang) or stretch."),
        QStringLiteral("mode"));
    const QCommandLineOption filterOption(
        QStringLiteral("filter"),
        QStringLiteral("With --resize: smooth (the default, for photos) or nearest (for pixel "
                       "art)."),
        QStringLiteral("filter"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("The panel's pixel format: rgb332 (the default), rgb565, rgb565be, rgb666, "
                       "rgb888, gray8, gray4, mono, mono-lsb or mono-pages (see the list above)."),
        QStringLiteral("name"));
    const QCommandLineOption thresholdOption(
        QStringLiteral("threshold"),
        QStringLiteral("1-bit formats: a pixel whose grey level is at least <N> is lit, a 1 "
                       "(default 128; 1 to 255)."),
        QStringLiteral("N"));
    const QCommandLineOption invert(
        QStringLiteral("invert"),
        QStringLiteral("1-bit formats: the dark pixels are the 1s (dark drawings on light "
                       "paper)."));
    const QCommandLineOption progmem(
        QStringLiteral("progmem"),
        QStringLiteral("The array and its declaration carry PROGMEM, for AVR boards' flash."));
    const QCommandLineOption binary(
        QStringLiteral("binary"),
        QStringLiteral("Write the array's bytes as a little-endian MCU holds them, not C source "
                       "(default output array.bin)."));
    const QCommandLineOption frames(
        QStringLiteral("frames"),
        QStringLiteral("Every frame of an animated picture (GIF), one after another in the one "
                       "array, with NAME_delays in milliseconds."));
    std::optional<QSize> tiles;
    const QCommandLineOption alpha(
        QStringLiteral("alpha"),
        QStringLiteral("With --lvgl: keep the transparency as straight alpha instead of laying "
                       "it over the background; the preview lays it over the background."));
    std::vector<ValueOption> valueOptions = {
        {QCommandLineOption(QStringLiteral("name"),
                            QStringLiteral("The array's name instead of \"array\": a C "
                                           "identifier that is no C or C++ keyword, nor "
                                           "main or int8."),
                            QStringLiteral("ident")),
         ReadName},
        {resize, Into(ParseSize, &ExportOptions::size,
                      "give WIDTHxHEIGHT, each from 1 to 16384, e.g. 320x240")},
        {fitOption, Into(ParseFit, &ExportOptions::fit, "give contain, cover or stretch")},
        {filterOption, Into(ParseFilter, &ExportOptions::filter, "give smooth or nearest")},
        {QCommandLineOption(QStringLiteral("background"),
                            QStringLiteral("The colour that transparent pixels are laid over, "
                                           "and --fit contain pads with, as RRGGBB in "
                                           "hexadecimal (default FFFFFF, white)."),
                            QStringLiteral("RRGGBB")),
         Into(ParseColour, &ExportOptions::background,
              "give the colour as six hexadecimal digits RRGGBB, e.g. FFFFFF")},
        {QCommandLineOption(QStringLiteral("dither"),
                            QStringLiteral("none (the default: every channel truncated), "
                                           "ordered (an 8 x 8 pattern), fs (Floyd-Steinberg) or "
                                           "atkinson (crisp, for 1 bit)."),
                            QStringLiteral("mode")),
         Into(ParseDither, &ExportOptions::dither, "give none, ordered, fs or atkinson")},
        {formatOption,
         [](const QString &text, ExportOptions &options) -> std::optional<QString> {
             const std::optional<PixelFormat> format = ParseFormat(text);
             if (!format)
                 return QStringLiteral("give one of %1").arg(FormatNames());
             options.format = *format;
             return std::nullopt;
         }},
        {thresholdOption,
         Into(ParseThreshold, &ExportOptions::threshold, "give a grey level from 1 to 255")},
        {QCommandLineOption(QStringLiteral("rotate"),
                            QStringLiteral("Turn the picture clockwise by 90, 180 or 270 degrees "
                                           "before resizing, for a panel mounted turned."),
                            QStringLiteral("degrees")),
         Into(ParseRotation, &ExportOptions::rotate, "give 90, 180 or 270")},
        {QCommandLineOption(QStringLiteral("flip"),
                            QStringLiteral("Mirror the picture, horizontal or vertical, after "
                                           "turning it and before resizing."),
                            QStringLiteral("direction")),
         Into(ParseFlip, &ExportOptions::flip, "give horizontal or vertical")},
        {QCommandLineOption(QStringLiteral("tiles"),
                            QStringLiteral("Cut the picture (turned and mirrored) into tiles of "
                                           "<WxH> pixels, left to right then top to bottom, one "
                                           "after another in the one array."),
                            QStringLiteral("WxH")),
         [&tiles](const QString &text, ExportOptions &) -> std::optional<QString> {
             tiles = ParseSize(text);
             if (!tiles)
                 return QStringLiteral("give WIDTHxHEIGHT, each from 1 to 16384, e.g. 16x16");
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("lvgl"),
                            QStringLiteral("Write an LVGL image of LVGL <version> 9 or 8 (see "
                                           "above) instead of the plain array."),
                            QStringLiteral("version")),
         Into(ParseLvgl, &ExportOptions::lvgl, "give 9 or 8")},
        {preview},
        {header},
    };
    for (const ValueOption &option : valueOptions)
        parser.addOption(option.option);
    for (const QCommandLineOption &flag : {invert, progmem, binary, alpha, frames})
        parser.addOption(flag);
    parser.addPositionalArgument(QStringLiteral("picture"),
                                 QStringLiteral("The picture (jpg, gif, bmp, png)."));
    parser.addPositionalArgument(
        QStringLiteral("output"),
        QStringLiteral("The array file to write; \"-\" for standard output. "
                       "Default: array.c in the current directory."),
        QStringLiteral("[output]"));

    // parse(), not process(): process() exits with 1 on a wrong command line.
    if (!parser.parse(arguments))
        return UsageError(parser, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        Print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("Pixolan version %1\n").arg(PIXOLAN_VERSION));
        return 0;
    }

    ExportOptions options;
    // A file that would get the same bytes is left alone, so a build recompiles nothing for it.
    options.keepUnchanged = true;
    for (const ValueOption &option : valueOptions) {
        const QString spelled = QStringLiteral("--") + option.option.names().constFirst();
        const QStringList values = parser.values(option.option);
        if (values.size() > 1)
            return UsageError(parser, QStringLiteral("%1 is given more than once").arg(spelled));
        if (!values.isEmpty() && option.read)
            if (std::optional<QString> problem = option.read(values.front(), options))
                return UsageError(
                    parser, QStringLiteral("%1 \"%2\": %3").arg(spelled, values.front(), *problem));
    }
    if (!parser.isSet(resize))
        for (const QCommandLineOption &needsSize : {fitOption, filterOption})
            if (parser.isSet(needsSize))
                return UsageError(
                    parser,
                    QStringLiteral("--%1 goes with --resize").arg(needsSize.names().constFirst()));
    options.invert = parser.isSet(invert);
    options.progmem = parser.isSet(progmem);
    options.binary = parser.isSet(binary);
    options.alpha = parser.isSet(alpha);
    if (std::optional<QString> problem = FormatProblem(parser, options, thresholdOption))
        return UsageError(parser, *problem);
    if (tiles && parser.isSet(frames))
        return UsageError(parser, QStringLiteral("--frames and --tiles do not go together"));
    if (options.lvgl != 0 && options.binary && (tiles || parser.isSet(frames)))
        return UsageError(parser, QStringLiteral("--binary --lvgl writes LVGL's file of one "
                                                 "image: give it without --frames and --tiles"));
    if (std::optional<QString> problem = ArrayNameProblem(options.name, parser.isSet(header)))
        return UsageError(parser, QStringLiteral("--name \"%1\": %2").arg(options.name, *problem));

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return UsageError(parser, QStringLiteral("no picture given"));
    if (positional.size() > 2)
        return UsageError(parser, QStringLiteral("too many arguments"));

    Request request;
    request.options = options;
    request.picture = positional[0];
    request.output = positional.size() == 2
                         ? positional[1]
                         : DefaultOutputPath(options.binary ? QStringLiteral("array.bin")
                                                            : QStringLiteral("array.c"));
    request.wantHeader = parser.isSet(header);
    request.headerPath = parser.value(header);
    request.wantPreview = parser.isSet(preview);
    request.previewPath = parser.value(preview);
    request.pictures = parser.isSet(frames) ? Request::Pictures::Frames
                       : tiles              ? Request::Pictures::Tiles
                                            : Request::Pictures::One;
    request.tile = tiles.value_or(QSize());
    const QString dash = QStringLiteral("-");
    if (int(request.output == dash) + int(request.wantHeader && request.headerPath == dash) +
            int(request.wantPreview && request.previewPath == dash) >
        1)
        return UsageError(parser, QStringLiteral("two outputs cannot both go to \"-\""));
    return request;
}

} // namespace pixolan
