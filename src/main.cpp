// SPDX-License-Identifier: MIT
#include "icon/application_icon.h"
#include "window/form1.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Past a file-size limit (ulimit -f) a write should fail and be reported like any other
    // failed export, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    // Lets the desktop match the running window to its launcher and icon.
    QApplication::setDesktopFileName(pixolan::ApplicationId());
    pixolan::Form1 form;
    form.show();
    return app.exec();
}
