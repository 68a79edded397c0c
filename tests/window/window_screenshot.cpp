// SPDX-License-Identifier: MIT
// Screenshots of the window on a real display (run it under xvfb-run), for looking at the
// layout and for the README. Not a test.
//
//   window_screenshot BEFORE.png AFTER.png [PICTURE]   Form1 before and after loading PICTURE
//                                                      (a drawn sample is saved there first if
//                                                      it does not exist, or in a temporary
//                                                      folder when no PICTURE is given)
//   window_screenshot --screen OUT.png [SECONDS]       the whole screen after a pause, to look
//                                                      at the real program started beside it
#include "window/form1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

class AnswerWith final : public pixolan::FileChooser
{
public:
    explicit AnswerWith(QString path) : m_path(std::move(path)) {}
    void SetFilter(const QString &) override {}
    std::optional<QString> ShowOpen(QWidget *, const QString &, OpenMode) override
    {
        return m_path;
    }

private:
    QString m_path;
};

class Silent final : public pixolan::Notifier
{
public:
    void ShowMessage(QWidget *, const QString &text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

QImage SamplePicture()
{
    QImage image(240, 160, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 160);
    sky.setColorAt(0, QColor(20, 40, 160));
    sky.setColorAt(1, QColor(250, 170, 60));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(255, 230, 80));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(170, 70), 28, 28);
    painter.setBrush(QColor(30, 110, 50));
    painter.drawEllipse(QPointF(60, 190), 130, 80);
    painter.drawEllipse(QPointF(220, 200), 110, 70);
    return image;
}

bool Save(const QPixmap &shot, const QString &path)
{
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    if (args.size() >= 2 && args[0] == QLatin1String("--screen")) {
        QTest::qWait(args.size() > 2 ? int(args[2].toDouble() * 1000) : 2000);
        return Save(QGuiApplication::primaryScreen()->grabWindow(0), args[1]) ? 0 : 1;
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: window_screenshot BEFORE.png AFTER.png [PICTURE]\n"
                             "       window_screenshot --screen OUT.png [SECONDS]\n");
        return 2;
    }

    QTemporaryDir dir;
    QString picture = args.value(2);
    if (picture.isEmpty())
        picture = dir.filePath(QStringLiteral("sunset.png"));
    if (!QFileInfo::exists(picture) && !SamplePicture().save(picture)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(picture));
        return 1;
    }

    pixolan::Form1 form(std::make_unique<AnswerWith>(QDir(picture).absolutePath()),
                        std::make_unique<Silent>());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QTest::qWait(300);
    QScreen *screen = form.screen();
    if (!Save(screen->grabWindow(form.winId()), args[0]))
        return 1;

    form.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QTest::qWait(300);
    return Save(screen->grabWindow(form.winId()), args[1]) ? 0 : 1;
}
