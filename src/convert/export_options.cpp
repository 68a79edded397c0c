// SPDX-License-Identifier: MIT
#include "convert/export_options.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <string_view>

namespace pixolan {
namespace {

enum class Reserved { C, CXX, BOTH, ENTRY, ELEMENT, WIDTH_MACRO };

struct ReservedName
{
    std::string_view word;
    Reserved kind;
};

constexpr ReservedName kReserved[] = {
#define PIXOLAN_RESERVED(word, kind) {#word, Reserved::kind},
#include "convert/reserved_names.inc"
#undef PIXOLAN_RESERVED
};

// How `word` is reserved, if it is: as itself first, then as `upper`, the word in upper case
// that the header's macros begin with.
std::optional<Reserved> ReservedAs(std::string_view word, std::string_view upper)
{
    for (const ReservedName &reserved : kReserved)
        if (reserved.kind != Reserved::WIDTH_MACRO && reserved.word == word)
            return reserved.kind;
    for (const ReservedName &reserved : kReserved)
        if (reserved.kind == Reserved::WIDTH_MACRO && reserved.word == upper)
            return reserved.kind;
    return std::nullopt;
}

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The first of `names` that `text` spells, by its index.
template <typename Value, std::size_t N>
std::optional<Value> Lookup(const QString &text, const std::array<const char *, N> &names,
                            const std::array<Value, N> &values)
{
    for (std::size_t i = 0; i < N; ++i)
        if (text == QLatin1String(names[i]))
            return values[i];
    return std::nullopt;
}

// A decimal side length of 1 to kMaxSide, digits only.
std::optional<int> ParseSide(QStringView text)
{
    if (text.isEmpty() || text.size() > 5 || !std::ranges::all_of(text, IsAsciiDigit))
        return std::nullopt;
    const int side = text.toInt();
    if (side < 1 || side > ExportOptions::kMaxSide)
        return std::nullopt;
    return side;
}

} // namespace

std::optional<QString> ArrayNameProblem(const QString &name, bool withHeader)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (IsAsciiDigit(name.front()))
        return QStringLiteral("a C identifier cannot begin with a digit");
    if (!std::ranges::all_of(name, [](QChar c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }))
        return QStringLiteral(
            "a C identifier holds only the letters A-Z and a-z, the digits 0-9 and \"_\"");

    const QByteArray ascii = name.toLatin1();
    const QByteArray upper = ascii.toUpper();
    const std::optional<Reserved> reserved =
        ReservedAs(std::string_view(ascii.constData(), std::size_t(ascii.size())),
                   std::string_view(upper.constData(), std::size_t(upper.size())));
    if (!reserved)
        return std::nullopt;
    switch (*reserved) {
    case Reserved::C:
        return QStringLiteral("\"%1\" is a keyword of C").arg(name);
    case Reserved::CXX:
        return QStringLiteral("\"%1\" is a keyword of C++").arg(name);
    case Reserved::BOTH:
        return QStringLiteral("\"%1\" is a keyword of C and C++").arg(name);
    case Reserved::ENTRY:
        return QStringLiteral("\"%1\" is the program's entry point").arg(name);
    case Reserved::ELEMENT:
        return QStringLiteral("\"%1\" is the array's element type").arg(name);
    case Reserved::WIDTH_MACRO:
        break;
    }
    if (!withHeader)
        return std::nullopt;
    return QStringLiteral("the header's %1_WIDTH would redefine a macro of the C library")
        .arg(QString::fromLatin1(upper));
}

std::optional<QSize> ParseSize(const QString &text)
{
    const qsizetype x = text.indexOf(u'x', 0, Qt::CaseInsensitive);
    if (x < 0)
        return std::nullopt;
    const std::optional<int> width = ParseSide(QStringView(text).first(x));
    const std::optional<int> height = ParseSide(QStringView(text).sliced(x + 1));
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

std::optional<QRgb> ParseColour(const QString &text)
{
    const QStringView digits = text.startsWith(u'#') ? QStringView(text).sliced(1) : text;
    const auto isHex = [](QChar c) {
        return IsAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    if (digits.size() != 6 || !std::ranges::all_of(digits, isHex))
        return std::nullopt;
    return 0xFF000000u | digits.toUInt(nullptr, 16);
}

std::optional<Fit> ParseFit(const QString &text)
{
    return Lookup<Fit, 3>(text, {"contain", "cover", "stretch"},
                          {Fit::Contain, Fit::Cover, Fit::Stretch});
}

std::optional<Filter> ParseFilter(const QString &text)
{
    return Lookup<Filter, 2>(text, {"smooth", "nearest"}, {Filter::Smooth, Filter::Nearest});
}

std::optional<Dither> ParseDither(const QString &text)
{
    return Lookup<Dither, 4>(
        text, {"none", "ordered", "fs", "atkinson"},
        {Dither::None, Dither::Ordered, Dither::FloydSteinberg, Dither::Atkinson});
}

std::optional<int> ParseRotation(const QString &text)
{
    return Lookup<int, 3>(text, {"90", "180", "270"}, {90, 180, 270});
}

std::optional<Flip> ParseFlip(const QString &text)
{
    return Lookup<Flip, 2>(text, {"horizontal", "vertical"}, {Flip::Horizontal, Flip::Vertical});
}

std::optional<int> ParseThreshold(const QString &text)
{
    if (text.isEmpty() || text.size() > 3 || !std::ranges::all_of(text, IsAsciiDigit))
        return std::nullopt;
    const int threshold = text.toInt();
    if (threshold < 1 || threshold > 255)
        return std::nullopt;
    return threshold;
}

std::optional<int> ParseLvgl(const QString &text)
{
    return Lookup<int, 2>(text, {"9", "8"}, {9, 8});
}

} // namespace pixolan
