// SPDX-License-Identifier: MIT
// Form1's commands, driven by clicks, with the file dialog and the message boxes scripted.
#include "convert/test_pictures.h"
#include "window/form1.h"
#include "window/window_fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <memory>

#include <unistd.h>

using namespace pixolan;
using test::ReadBytes;
using test::ScriptedChooser;

namespace {

const QString kPictureFilter = QStringLiteral("images|*.jpg; *.gif; *.bmp; *.png");

// A 2 x 2 picture whose every channel differs, and its array file byte for byte.
QImage TwoByTwo()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0x20, 0x40, 0x80)); // 001 010 10 -> 0x2A
    image.setPixel(1, 0, qRgb(0xFF, 0x00, 0x00)); // -> 0xE0
    image.setPixel(0, 1, qRgb(0x00, 0xFF, 0x00)); // -> 0x1C
    image.setPixel(1, 1, qRgb(0x00, 0x00, 0xFF)); // -> 0x3
    return image;
}
const QByteArray kTwoByTwoArray = "const int8 array[] = {\r\n"
                                  "0x2A, 0xE0, \r\n\r\n"
                                  "0x1C, 0x3, \r\n\r\n"
                                  "};\r\n";

} // namespace

class Form1CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithTheDefaultOutputAndEmptyFields();
    void defaultButton_data();
    void defaultButton();
    void pictureBrowseLoadsAndMeasures();
    void createArrayWritesTheFileAndSaysDone();
    void outputBrowseSetsTheOutputAndClearsTheStatus();
    void aboutNamesTheVersion();

    // Pictures on screen.
    void smallPictureIsShownAtItsSizeFromTheTopLeft();
    void largePictureIsScaledDownKeepingItsShape();

    // Bad pictures and outputs are reported, nothing is lost and the window goes on.
    void badInputIsReportedAndLosesNothing_data();
    void badInputIsReportedAndLosesNothing();
    // A cancelled dialog changes nothing.
    void cancelledPictureBrowseChangesNothing();
    void cancelledOutputBrowseChangesNothing();
    // The picture is never overwritten.
    void exportOverThePictureIsRefused();
    void outputBrowseRefusesThePicture();
    // No export before a picture is loaded.
    void exportWithoutAPictureWritesNothing();

    // Dropping a file on the window.
    void droppedPictureLoadsLikeTheBrowse();
    void otherDropsAreRefusedAndChangeNothing_data();
    void otherDropsAreRefusedAndChangeNothing();
    void windowHasTheIcon();

private:
    QLineEdit *Text(int number) const
    {
        return m_form->findChild<QLineEdit *>(QStringLiteral("Text%1").arg(number));
    }
    void Click(int command) const
    {
        auto *button = m_form->findChild<QPushButton *>(QStringLiteral("Command%1").arg(command));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString Path(const QString &name) const { return m_dir->path(name); }
    // Saves `image` as `name` in the test folder and loads it through the picture browse.
    void LoadPicture(const QImage &image, const QString &name);
    QImage ShownPicture() const;
    // Drags `data` onto the middle of the window and drops it; true if the drag was accepted.
    bool Drop(QMimeData *data);

    // The default output goes to the current directory: keep it inside the test's folder.
    std::unique_ptr<test::CurrentTempDir> m_dir;
    ScriptedChooser *m_chooser = nullptr;
    test::RecordingNotifier *m_notifier = nullptr;
    std::unique_ptr<Form1> m_form;
};

void Form1CommandsTest::init()
{
    m_dir = std::make_unique<test::CurrentTempDir>();
    QVERIFY(m_dir->entered());

    auto chooser = std::make_unique<ScriptedChooser>();
    auto notifier = std::make_unique<test::RecordingNotifier>();
    m_chooser = chooser.get();
    m_notifier = notifier.get();
    m_form = std::make_unique<Form1>(std::move(chooser), std::move(notifier));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void Form1CommandsTest::cleanup()
{
    QCOMPARE(m_chooser->unanswered(), 0);
    QCOMPARE(m_chooser->unexpected(), 0);
    QVERIFY2(!m_notifier->busyAtMessage.contains(true), "a message came up under the busy cursor");
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    m_form.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    m_dir.reset();
}

void Form1CommandsTest::LoadPicture(const QImage &image, const QString &name)
{
    QVERIFY(test::SavePicture(image, Path(name)));
    m_chooser->Choose(Path(name));
    Click(2);
    QCOMPARE(m_notifier->messages, QStringList());
    QCOMPARE(Text(4)->text(), Path(name));
}

QImage Form1CommandsTest::ShownPicture() const
{
    return m_form->findChild<QWidget *>(QStringLiteral("Picture1"))->grab().toImage();
}

void Form1CommandsTest::startsWithTheDefaultOutputAndEmptyFields()
{
    QCOMPARE(Text(5)->text(), QDir::currentPath() + QStringLiteral("/array.c"));
    for (int field = 1; field <= 4; ++field)
        QCOMPARE(Text(field)->text(), QString());
    QCOMPARE(m_form->Surface().Width(), 0);
    QVERIFY(m_chooser->calls().isEmpty());
    QVERIFY(m_notifier->messages.isEmpty());
}

void Form1CommandsTest::defaultButton_data()
{
    // What Text5 holds before the click ("" keeps it), relative to the current directory at the
    // click: that is the test's folder only once init() has run, after this.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("otherCurrent"); // a folder to change to first, or ""
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("already the default")
        << QString() << QString() << QStringList{QStringLiteral("default already set")};
    QTest::newRow("typed another path")
        << QStringLiteral("/tmp/other.c") << QString() << QStringList();
    QTest::newRow("differs only in case")
        << QStringLiteral("ARRAY.C") << QString() << QStringList();
    QTest::newRow("current directory changed")
        << QString() << QStringLiteral("sub") << QStringList();
}

void Form1CommandsTest::defaultButton()
{
    QFETCH(QString, typed);
    QFETCH(QString, otherCurrent);
    QFETCH(QStringList, messages);

    if (!typed.isEmpty())
        Text(5)->setText(QDir::current().absoluteFilePath(typed));
    if (!otherCurrent.isEmpty()) {
        QVERIFY(QDir().mkdir(otherCurrent));
        QVERIFY(QDir::setCurrent(otherCurrent));
    }
    Click(4);
    QCOMPARE(m_notifier->messages, messages);
    QCOMPARE(Text(5)->text(), QDir::currentPath() + QStringLiteral("/array.c"));
}

void Form1CommandsTest::pictureBrowseLoadsAndMeasures()
{
    LoadPicture(test::Pattern(30, 20), QStringLiteral("first.png"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    LoadPicture(test::Pattern(7, 300), QStringLiteral("second.bmp"));
    QCOMPARE(Text(2)->text(), QStringLiteral("7"));
    QCOMPARE(Text(3)->text(), QStringLiteral("300"));
    QCOMPARE(Text(1)->text(), QString()); // the status clears with a new picture
    QCOMPARE(m_form->Surface().Image(), test::Pattern(7, 300));

    // The picture filter is set before each picture browse, and only existing files will do.
    QCOMPARE(m_chooser->calls().size(), 2);
    for (const ScriptedChooser::Call &call : m_chooser->calls()) {
        QCOMPARE(call.filter, kPictureFilter);
        QCOMPARE(call.mode, FileChooser::OpenMode::ExistingFile);
    }
}

void Form1CommandsTest::createArrayWritesTheFileAndSaysDone()
{
    LoadPicture(TwoByTwo(), QStringLiteral("colours.png"));
    // An edited picture path changes nothing: the export reads the loaded picture.
    Text(4)->setText(QStringLiteral("elsewhere.png"));
    QVERIFY(test::WriteBytes(Path("array.c"), "an older export"));

    Click(1);
    QCOMPARE(m_notifier->messages, QStringList());
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(ReadBytes(Path("array.c")), kTwoByTwoArray);

    // A typed output path is used as it stands, here relative to the current directory.
    Text(5)->setText(QStringLiteral("typed.c"));
    Click(1);
    QCOMPARE(ReadBytes(Path("typed.c")), kTwoByTwoArray);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    // The same bytes again still make a new file, as the original tool did: its date shows when
    // the last export was.
    QVERIFY(test::Backdate(Path("typed.c")));
    const std::string earlier = test::FileIdentity(Path("typed.c"));
    Click(1);
    QVERIFY(test::FileIdentity(Path("typed.c")) != earlier);
    QCOMPARE(ReadBytes(Path("typed.c")), kTwoByTwoArray);
}

void Form1CommandsTest::outputBrowseSetsTheOutputAndClearsTheStatus()
{
    LoadPicture(TwoByTwo(), QStringLiteral("colours.png"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    const QString chosen = Path("firmware/lcd_logo.c"); // does not exist yet
    QVERIFY(QDir().mkdir(Path("firmware")));
    m_chooser->Choose(chosen);
    Click(3);
    QCOMPARE(Text(5)->text(), chosen);
    QCOMPARE(Text(1)->text(), QString());
    QCOMPARE(m_chooser->calls().last().mode, FileChooser::OpenMode::AnyFile);
    // The output browse keeps whatever filter was set last.
    QCOMPARE(m_chooser->setFilterCalls(), 1);
    QCOMPARE(m_chooser->calls().last().filter, kPictureFilter);

    Click(1);
    QCOMPARE(ReadBytes(chosen), kTwoByTwoArray);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
}

void Form1CommandsTest::aboutNamesTheVersion()
{
    Click(5);
    QCOMPARE(m_notifier->messages.size(), 1);
    const QString about = m_notifier->messages.first();
    QVERIFY2(about.startsWith(QStringLiteral("Pixolan version 1.1\r")), qPrintable(about));
    QCOMPARE(about.count(QLatin1Char('\r')), 1);
    QVERIFY(!about.contains(QLatin1Char('\n')));
    QVERIFY(about.size() > QStringLiteral("Pixolan version 1.1\r").size()); // a credit line
}

void Form1CommandsTest::smallPictureIsShownAtItsSizeFromTheTopLeft()
{
    QWidget *box = m_form->findChild<QWidget *>(QStringLiteral("Picture1"));
    const QRect place = box->geometry();
    QImage picture = test::Pattern(40, 30).convertToFormat(QImage::Format_ARGB32);
    picture.setPixel(39, 29, qRgba(0, 0, 0, 0)); // transparent shows white
    LoadPicture(picture, QStringLiteral("small.png"));

    QCOMPARE(box->geometry(), place);
    const QImage shown = ShownPicture();
    const QPoint origin = box->contentsRect().topLeft();
    for (const QPoint at : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 29), QPoint(17, 11)})
        QCOMPARE(shown.pixel(origin + at), picture.pixel(at));
    QCOMPARE(shown.pixel(origin + QPoint(39, 29)), qRgb(255, 255, 255));
    // Beyond the picture the box shows its empty background.
    QCOMPARE(shown.pixel(origin + QPoint(40, 0)), shown.pixel(origin + QPoint(100, 100)));
    QVERIFY(shown.pixel(origin + QPoint(40, 0)) != picture.pixel(39, 0));
}

void Form1CommandsTest::largePictureIsScaledDownKeepingItsShape()
{
    QWidget *box = m_form->findChild<QWidget *>(QStringLiteral("Picture1"));
    const QRect place = box->geometry();
    const QRect room = box->contentsRect();
    // Ten times as wide as high, far wider than the box but not as high: left half red, right
    // half blue.
    QImage picture(1000, 100, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 500; x < 1000; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    LoadPicture(picture, QStringLiteral("large.png"));

    QCOMPARE(box->geometry(), place);          // the box never grows over its neighbours
    QCOMPARE(m_form->Surface().Width(), 1000); // the export still has every pixel
    const QImage shown = ShownPicture();
    const QColor background = shown.pixelColor(room.bottomRight());
    // The full width is used; the height is a tenth of it.
    QVERIFY(room.height() > 100);
    const int height = room.width() / 10;
    QCOMPARE(shown.pixelColor(room.left() + 2, room.top() + 2), QColor(255, 0, 0));
    QCOMPARE(shown.pixelColor(room.right() - 2, room.top() + 2), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(room.right() - 2, room.top() + height - 2), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(room.left() + 2, room.top() + height + 2), background);
    QVERIFY(background != QColor(255, 0, 0) && background != QColor(0, 0, 255));
}

void Form1CommandsTest::badInputIsReportedAndLosesNothing_data()
{
    // Rows of the shared tables that show how the window takes a refusal: one bad picture chosen
    // with the picture browse, or one bad output for "create array".
    QTest::addColumn<QString>("pictureRow");
    QTest::addColumn<QString>("outputRow");

    for (const char *row : {"empty_file", "png_with_damaged_data"}) // before and while decoding
        QTest::newRow(row) << QString(row) << QString();
    for (const char *row : {"missing_folder", "write_fails_half_way"})
        QTest::newRow(row) << QString() << QString(row);
}

void Form1CommandsTest::badInputIsReportedAndLosesNothing()
{
    QFETCH(QString, pictureRow);
    QFETCH(QString, outputRow);

    const QImage loaded =
        test::Pattern(test::kBadOutputPicture.width(), test::kBadOutputPicture.height());
    LoadPicture(loaded, QStringLiteral("colours.png"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QVERIFY(test::MakeOutputFolder(m_dir->path())); // array.c is now an earlier export
    const QByteArray colours = ReadBytes(Path("colours.png"));
    const QImage shownBefore = ShownPicture();

    QString named;
    QString reason;
    rlim_t sizeLimit = 0;
    if (!pictureRow.isEmpty()) {
        const test::BadPicture &bad = test::BadPictureNamed(pictureRow.toStdString());
        named = Path(bad.fileName);
        reason = bad.reason;
        QVERIFY(bad.make(named));
    } else {
        const test::BadOutput &bad = test::BadOutputNamed(outputRow.toStdString());
        named = Path(bad.output);
        reason = bad.reason;
        sizeLimit = bad.fileSizeLimit;
        Text(5)->setText(named);
    }
    const QStringList entriesBefore = m_dir->entries();
    if (!pictureRow.isEmpty()) {
        m_chooser->Choose(named);
        Click(2);
    } else {
        const test::FileSizeLimit limit(sizeLimit);
        QVERIFY(sizeLimit == 0 || limit.set());
        Click(1);
    }

    // One message naming the file and the reason.
    QCOMPARE(m_notifier->messages.size(), 1);
    const QString message = m_notifier->messages.first();
    QVERIFY2(message.contains(QStringLiteral("\"%1\"").arg(named)) && message.contains(reason),
             qPrintable(message));
    // The loaded picture and its fields stay; after a failed export the status is emptied.
    QCOMPARE(Text(1)->text(), pictureRow.isEmpty() ? QString() : QStringLiteral("done"));
    QCOMPARE(Text(2)->text(), QString::number(loaded.width()));
    QCOMPARE(Text(3)->text(), QString::number(loaded.height()));
    QCOMPARE(Text(4)->text(), Path("colours.png"));
    QCOMPARE(m_form->Surface().Image(), loaded);
    QCOMPARE(ShownPicture(), shownBefore);
    // Nothing is lost and nothing is left behind.
    const std::string changes = test::OutputFolderChanges(m_dir->path());
    QVERIFY2(changes.empty(), changes.c_str());
    QCOMPARE(ReadBytes(Path("colours.png")), colours);
    QCOMPARE(m_dir->entries(), entriesBefore);

    // The window goes on: the loaded picture still exports.
    Text(5)->setText(Path("again.c"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(ReadBytes(Path("again.c")), test::ArrayText(loaded));
}

void Form1CommandsTest::cancelledPictureBrowseChangesNothing()
{
    LoadPicture(TwoByTwo(), QStringLiteral("colours.png"));
    Click(1);
    // The file changes on disk; a cancel must not load it again.
    QVERIFY(test::SavePicture(test::Pattern(5, 5), Path("colours.png")));

    m_chooser->Cancel();
    Click(2);
    QVERIFY(m_notifier->messages.isEmpty());
    QCOMPARE(m_form->Surface().Image(), TwoByTwo());
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(Text(2)->text(), QStringLiteral("2"));
    QCOMPARE(Text(4)->text(), Path("colours.png"));
}

void Form1CommandsTest::cancelledOutputBrowseChangesNothing()
{
    LoadPicture(TwoByTwo(), QStringLiteral("colours.png"));
    Text(5)->setText(Path("mine.c"));
    Click(1);

    m_chooser->Cancel();
    Click(3);
    QVERIFY(m_notifier->messages.isEmpty());
    QCOMPARE(Text(5)->text(), Path("mine.c"));
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
}

// The names that lead to the picture are the core's to tell; here, one of them.
void Form1CommandsTest::exportOverThePictureIsRefused()
{
    LoadPicture(TwoByTwo(), QStringLiteral("logo.png"));
    const QByteArray picture = ReadBytes(Path("logo.png"));
    QCOMPARE(::link("logo.png", "hard.png"), 0);
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    Text(5)->setText(QStringLiteral("hard.png"));
    Click(1);
    QCOMPARE(m_notifier->messages.size(), 1);
    QVERIFY2(m_notifier->messages.first().contains("\"hard.png\": it is the picture itself"),
             qPrintable(m_notifier->messages[0]));
    QCOMPARE(Text(1)->text(), QString());
    QCOMPARE(ReadBytes(Path("logo.png")), picture);
}

void Form1CommandsTest::outputBrowseRefusesThePicture()
{
    LoadPicture(TwoByTwo(), QStringLiteral("logo.png"));
    const QString before = Text(5)->text();
    Click(1);

    m_chooser->Choose(Path("logo.png")); // what the shared dialog offers first
    Click(3);
    QCOMPARE(m_notifier->messages.size(), 1);
    QVERIFY(m_notifier->messages.first().contains(Path("logo.png")));
    QCOMPARE(Text(5)->text(), before);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
}

void Form1CommandsTest::exportWithoutAPictureWritesNothing()
{
    QVERIFY(test::WriteBytes(Path("array.c"), "keep me"));
    Click(1);
    QCOMPARE(m_notifier->messages.size(), 1);
    const QString message = m_notifier->messages.first();
    QVERIFY2(message.contains(QStringLiteral("no picture is loaded")) &&
                 message.contains(Path("array.c")),
             qPrintable(message));
    QCOMPARE(Text(1)->text(), QString());
    QCOMPARE(ReadBytes(Path("array.c")), QByteArray("keep me"));

    Text(5)->setText(Path("new.c"));
    Click(1);
    QVERIFY(!QFile::exists(Path("new.c")));
    QCOMPARE(Text(1)->text(), QString());
}

bool Form1CommandsTest::Drop(QMimeData *data)
{
    const std::unique_ptr<QMimeData> owned(data);
    const QPoint middle = m_form->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(middle), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &drop);
    return drop.isAccepted();
}

void Form1CommandsTest::droppedPictureLoadsLikeTheBrowse()
{
    LoadPicture(test::Pattern(30, 20), QStringLiteral("first.png"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    QVERIFY(test::SavePicture(TwoByTwo(), Path("dropped picture.png")));
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(Path("dropped picture.png"))});
    QVERIFY(Drop(data));

    QCOMPARE(m_notifier->messages, QStringList());
    QCOMPARE(Text(2)->text(), QStringLiteral("2"));
    QCOMPARE(Text(3)->text(), QStringLiteral("2"));
    QCOMPARE(Text(4)->text(), Path("dropped picture.png"));
    QCOMPARE(Text(1)->text(), QString());
    Click(1);
    QCOMPARE(ReadBytes(Path("array.c")), kTwoByTwoArray);
    // The dropped picture is protected like a chosen one.
    Text(5)->setText(Path("dropped picture.png"));
    Click(1);
    QCOMPARE(m_notifier->messages.size(), 1);
    QCOMPARE(Text(1)->text(), QString());
}

void Form1CommandsTest::otherDropsAreRefusedAndChangeNothing_data()
{
    QTest::addColumn<QList<QUrl>>("urls"); // empty: plain text is dropped instead
    QTest::addColumn<QString>("reason");   // part of the message

    QTest::newRow("text") << QList<QUrl>() << QStringLiteral("not a file");
    QTest::newRow("two files") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.png"),
                                              QUrl::fromLocalFile("/tmp/b.png")}
                               << QStringLiteral("2 files were dropped");
    QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.org/logo.png")}
                                 << QStringLiteral("not a file on this computer");
    QTest::newRow("not a picture") << QList<QUrl>{QUrl("notes.txt")} // made below
                                   << QStringLiteral("not a picture");
    QTest::newRow("folder") << QList<QUrl>{QUrl("sub")} << QStringLiteral("folder");
}

void Form1CommandsTest::otherDropsAreRefusedAndChangeNothing()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, reason);
    LoadPicture(TwoByTwo(), QStringLiteral("loaded.png"));
    Click(1);
    QVERIFY(test::WriteBytes(Path("notes.txt"), "just some text"));
    QVERIFY(QDir().mkdir(Path("sub")));
    for (QUrl &url : urls)
        if (url.isRelative())
            url = QUrl::fromLocalFile(Path(url.path()));

    auto *data = new QMimeData;
    if (urls.isEmpty())
        data->setText(QStringLiteral("some text"));
    else
        data->setUrls(urls);
    QVERIFY(Drop(data));

    QCOMPARE(m_notifier->messages.size(), 1);
    QVERIFY2(m_notifier->messages.first().contains(reason),
             qPrintable(m_notifier->messages.first()));
    QCOMPARE(Text(2)->text(), QStringLiteral("2"));
    QCOMPARE(Text(4)->text(), Path("loaded.png"));
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(m_form->Surface().Image(), TwoByTwo());
}

void Form1CommandsTest::windowHasTheIcon()
{
    QVERIFY(!m_form->windowIcon().isNull());
    QVERIFY(!m_form->windowIcon().availableSizes().isEmpty());
}

QTEST_MAIN(Form1CommandsTest)
#include "form1_commands_test.moc"
