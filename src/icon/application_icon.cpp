// SPDX-License-Identifier: MIT
#include "icon/application_icon.h"

namespace pixolan {

QString ApplicationId()
{
    return QStringLiteral(PIXOLAN_APP_ID);
}

QList<int> ApplicationIconSizes()
{
    return {PIXOLAN_ICON_SIZES};
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : ApplicationIconSizes()) {
        icon.addFile(QStringLiteral(":/pixolan/icon/pixolan-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace pixolan
