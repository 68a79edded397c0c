// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

namespace pixolan {

// The name under which the launcher, the installed icon and the AppStream entry are known
// (reverse-DNS, as AppStream asks). Give it to QGuiApplication::setDesktopFileName() so that the
// desktop matches the running window to its launcher and icon.
QString ApplicationId();

// Pixolan's icon in every rendered size, from PNGs compiled into the program: it needs neither
// the installed icon theme nor Qt's SVG plugin, and works from the build folder too.
QIcon ApplicationIcon();

// The sizes in which the icon is rendered, smallest first.
QList<int> ApplicationIconSizes();

} // namespace pixolan
