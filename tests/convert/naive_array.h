// SPDX-License-Identifier: MIT
#pragma once

// The export written the slow, obvious way: one PixelColour() call and one formatted append per
// value, and one write per row. The tests check the fast writer against it and the end-to-end
// benchmark times it; it depends on nothing but the core, so both can include it.

#include "convert/pixels/pack_colour.h"
#include "convert/read/picture_surface.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <cstdio>

namespace pixolan::test {

// False when a write to `device` failed.
inline bool WriteNaiveArray(const PictureSurface &surface, QIODevice &device)
{
    bool ok = device.write("const int8 array[] = {\r\n") >= 0;
    QByteArray row;
    char value[8];
    for (int y = 0; y < surface.Height() && ok; ++y) {
        row.clear();
        for (int x = 0; x < surface.Width(); ++x) {
            std::snprintf(value, sizeof value, "0x%X, ",
                          unsigned(PackColour(surface.PixelColour(x, y))));
            row += value;
        }
        row += "\r\n";
        ok = device.write(row) == row.size() && device.write("\r\n") == 2;
    }
    return ok && device.write("};\r\n") == 4;
}

inline QByteArray NaiveArray(const PictureSurface &surface)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    WriteNaiveArray(surface, buffer);
    return text;
}

} // namespace pixolan::test
