// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <variant>

namespace pixolan {

// What a command line of pixolan-export asks for.
struct Request
{
    enum class Pictures {
        One,    // the picture itself
        Frames, // --frames: every frame of an animation
        Tiles,  // --tiles WxH: a sheet cut into tiles of `tile`
    };

    ExportOptions options;
    QString picture;
    QString output; // "-" for standard output
    bool wantHeader = false;
    QString headerPath;
    bool wantPreview = false;
    QString previewPath;
    Pictures pictures = Pictures::One;
    QSize tile;
};

// Reads the command line (the program's name first). Gives the request, or the exit status when
// there is nothing to export: 0 after printing the help or the version on standard output, 2
// after printing what is wrong, and the usage, on standard error.
std::variant<Request, int> ReadCommandLine(const QStringList &arguments);

// Prints `text` to `stream` at once, in the locale's encoding.
void Print(std::FILE *stream, const QString &text);

} // namespace pixolan
