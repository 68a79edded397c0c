// SPDX-License-Identifier: MIT
#include "convert/export_options.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <string_view>

namespace pixolan {
namespace {

// The keywords of C23, including the spellings with a leading underscore.
constexpr auto kCKeywords = std::to_array<std::string_view>({
    "alignas",
    "alignof",
    "auto",
    "bool",
    "break",
    "case",
    "char",
    "const",
    "constexpr",
    "continue",
    "default",
    "do",
    "double",
    "else",
    "enum",
    "extern",
    "false",
    "float",
    "for",
    "goto",
    "if",
    "inline",
    "int",
    "long",
    "nullptr",
    "register",
    "restrict",
    "return",
    "short",
    "signed",
    "sizeof",
    "static",
    "static_assert",
    "struct",
    "switch",
    "thread_local",
    "true",
    "typedef",
    "typeof",
    "typeof_unqual",
    "union",
    "unsigned",
    "void",
    "volatile",
    "while",
    "_Alignas",
    "_Alignof",
    "_Atomic",
    "_BitInt",
    "_Bool",
    "_Complex",
    "_Decimal128",
    "_Decimal32",
    "_Decimal64",
    "_Generic",
    "_Imaginary",
    "_Noreturn",
    "_Static_assert",
    "_Thread_local",
});

// The keywords of C++20, with the alternative spellings of operators.
constexpr auto kCxxKeywords = std::to_array<std::string_view>({
    "alignas",       "alignof",     "and",
    "and_eq",        "asm",         "auto",
    "bitand",        "bitor",       "bool",
    "break",         "case",        "catch",
    "char",          "char8_t",     "char16_t",
    "char32_t",      "class",       "compl",
    "concept",       "const",       "consteval",
    "constexpr",     "constinit",   "const_cast",
    "continue",      "co_await",    "co_return",
    "co_yield",      "decltype",    "default",
    "delete",        "do",          "double",
    "dynamic_cast",  "else",        "enum",
    "explicit",      "export",      "extern",
    "false",         "float",       "for",
    "friend",        "goto",        "if",
    "inline",        "int",         "long",
    "mutable",       "namespace",   "new",
    "noexcept",      "not",         "not_eq",
    "nullptr",       "operator",    "or",
    "or_eq",         "private",     "protected",
    "public",        "register",    "reinterpret_cast",
    "requires",      "return",      "short",
    "signed",        "sizeof",      "static",
    "static_assert", "static_cast", "struct",
    "switch",        "template",    "this",
    "thread_local",  "throw",       "true",
    "try",           "typedef",     "typeid",
    "typename",      "union",       "unsigned",
    "using",         "virtual",     "void",
    "volatile",      "wchar_t",     "while",
    "xor",           "xor_eq",
});

template <std::size_t N>
bool Holds(const std::array<std::string_view, N> &words, std::string_view word)
{
    return std::ranges::find(words, word) != words.end();
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

std::optional<QString> ArrayNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (IsAsciiDigit(name.front()))
        return QStringLiteral("a C identifier cannot begin with a digit");
    if (!std::ranges::all_of(name, [](QChar c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }))
        return QStringLiteral(
            "a C identifier holds only the letters A-Z and a-z, the digits 0-9 and \"_\"");

    const QByteArray ascii = name.toLatin1();
    const std::string_view word(ascii.constData(), std::size_t(ascii.size()));
    const bool inC = Holds(kCKeywords, word);
    const bool inCxx = Holds(kCxxKeywords, word);
    if (inC || inCxx)
        return QStringLiteral("\"%1\" is a keyword of %2")
            .arg(name, inC && inCxx ? QStringLiteral("C and C++")
                       : inC        ? QStringLiteral("C")
                                    : QStringLiteral("C++"));
    if (word == "main")
        return QStringLiteral("\"main\" is the program's entry point");
    if (word == "int8")
        return QStringLiteral("\"int8\" is the array's element type");
    return std::nullopt;
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
    return Lookup<Dither, 3>(text, {"none", "ordered", "fs"},
                             {Dither::None, Dither::Ordered, Dither::FloydSteinberg});
}

} // namespace pixolan
