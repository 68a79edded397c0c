// SPDX-License-Identifier: MIT
#include "window/notifier.h"

#include <QMessageBox>

namespace pixolan {

void MessageBoxNotifier::ShowMessage(QWidget *parent, const QString &text)
{
    // A label breaks lines at LF only; a lone CR would show as nothing or as a box.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), '\n');

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pixolan"), shown, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // file names are never read as markup
    box.exec();
}

} // namespace pixolan
