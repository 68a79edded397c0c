// SPDX-License-Identifier: MIT
// Form1's commands, driven by clicks, with the file dialog and the message boxes scripted.
#include "convert/array_writer.h"
#include "convert/test_pictures.h"
#include "window/form1.h"
#include "window/window_fakes.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pixolan;
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

// The array file for `image`, from the core's writer.
QByteArray ArrayOf(const QImage &image)
{
    PictureSurface surface;
    if (!surface.SetImage(image))
        return "<no memory>";
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    return WriteArray(surface, buffer, QStringLiteral("memory")) ? text : "<not written>";
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Lowers the process's file-size limit while it lives; a write past it fails with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

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
    void exportOverThePictureIsRefused_data();
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
    QString Path(const QString &name) const { return m_dir->filePath(name); }
    // Everything in the test folder, hidden files included.
    QStringList Entries() const
    {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // Saves `image` as `name` in the test folder and loads it through the picture browse.
    void LoadPicture(const QImage &image, const QString &name);
    QImage ShownPicture() const;
    // Drags `data` onto the middle of the window and drops it; true if the drag was accepted.
    bool Drop(QMimeData *data);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_savedCurrent;
    ScriptedChooser *m_chooser = nullptr;
    test::RecordingNotifier *m_notifier = nullptr;
    std::unique_ptr<Form1> m_form;
};

void Form1CommandsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The default output goes to the current directory: keep it inside the test's folder.
    m_savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));

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
    QDir::setCurrent(m_savedCurrent);
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
    QTest::addColumn<QString>("typed");        // what Text5 holds before the click; "" keeps it
    QTest::addColumn<QString>("otherCurrent"); // a folder to change to first, or ""
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("already the default")
        << QString() << QString() << QStringList{QStringLiteral("default already set")};
    QTest::newRow("typed another path")
        << QStringLiteral("/tmp/other.c") << QString() << QStringList();
    QTest::newRow("differs only in case")
        << (QDir::currentPath() + QStringLiteral("/ARRAY.C")) << QString() << QStringList();
    QTest::newRow("current directory changed")
        << QString() << QStringLiteral("sub") << QStringList();
}

void Form1CommandsTest::defaultButton()
{
    QFETCH(QString, typed);
    QFETCH(QString, otherCurrent);
    QFETCH(QStringList, messages);

    if (!typed.isEmpty())
        Text(5)->setText(typed);
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
    Write(Path("array.c"), "an older export");

    Click(1);
    QCOMPARE(m_notifier->messages, QStringList());
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(ReadAll(Path("array.c")), kTwoByTwoArray);

    // A typed output path is used as it stands, here relative to the current directory.
    Text(5)->setText(QStringLiteral("typed.c"));
    Click(1);
    QCOMPARE(ReadAll(Path("typed.c")), kTwoByTwoArray);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
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
    QCOMPARE(ReadAll(chosen), kTwoByTwoArray);
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
    // Twice as wide as high, far larger than the box: left half red, right half blue.
    QImage picture(1000, 500, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 500; ++y)
        for (int x = 500; x < 1000; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    LoadPicture(picture, QStringLiteral("large.png"));

    QCOMPARE(box->geometry(), place);          // the box never grows over its neighbours
    QCOMPARE(m_form->Surface().Width(), 1000); // the export still has every pixel
    const QImage shown = ShownPicture();
    const QColor background = shown.pixelColor(room.bottomRight());
    // The full width is used; the height is half of it.
    const int height = room.width() / 2;
    QCOMPARE(shown.pixelColor(room.left() + 2, room.top() + 2), QColor(255, 0, 0));
    QCOMPARE(shown.pixelColor(room.right() - 2, room.top() + 2), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(room.right() - 2, room.top() + height - 2), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(room.left() + 2, room.top() + height + 2), background);
    QVERIFY(background != QColor(255, 0, 0) && background != QColor(0, 0, 255));
}

void Form1CommandsTest::badInputIsReportedAndLosesNothing_data()
{
    // The test folder holds the loaded picture "colours.png", an earlier export "array.c", an
    // empty folder "folder" and a named pipe "pipe".
    QTest::addColumn<QString>("picture");  // chosen with the picture browse; "": none is
    QTest::addColumn<QByteArray>("bytes"); // written to `picture` first, unless null
    QTest::addColumn<QString>("output");   // Text5 for "create array", relative to the folder
    QTest::addColumn<qint64>("sizeLimit"); // bytes a file may have during the export; 0: any
    QTest::addColumn<QString>("reason");   // in the message; "": the picture loads
    QTest::addColumn<QImage>("loaded");    // the picture that loads

    const QString cutShort = QStringLiteral("picture is cut short");
    const QString bmpHeader =
        QStringLiteral("a BMP whose header is damaged or of a kind that cannot be read");
    const QString array = QStringLiteral("array.c");
    auto picture = [&](const char *row, const QString &name, const QByteArray &bytes,
                       const QString &reason, const QImage &loaded = {}) {
        QTest::newRow(row) << name << bytes << array << qint64(0) << reason << loaded;
    };
    auto output = [&](const char *row, const QString &path, qint64 sizeLimit,
                      const QString &reason) {
        QTest::newRow(row) << QString() << QByteArray() << path << sizeLimit << reason << QImage();
    };
    using test::Cut;
    const std::pair<const char *, Cut> cuts[] = {{"in its header", Cut::InHeader},
                                                 {"half way", Cut::HalfWay},
                                                 {"last bytes", Cut::LastBytes}};

    picture("zero-byte file", "empty.png", QByteArray(""), "empty file, not a picture");
    for (const char *format : {"png", "jpg", "gif", "bmp"})
        for (const auto &[where, cut] : cuts)
            picture(qPrintable(QStringLiteral("%1 cut %2").arg(format, where)),
                    QStringLiteral("cut.") + format, test::CutShort(format, cut), cutShort);
    picture("text named .jpg", "photo.jpg", "hello\n", "not a picture");
    picture("png header claims 100000 x 100000", "huge.png", test::PngHeaderOnly(100000, 100000),
            "picture too large (100000 x 100000 pixels");
    picture("bmp negative width", "odd.bmp", test::BmpWith({{test::kBmpWidth, -6}}), bmpHeader);
    picture("bmp zero width", "odd.bmp", test::BmpWith({{test::kBmpWidth, 0}}), bmpHeader);
    picture("bmp zero planes", "odd.bmp", test::BmpWith({{test::kBmpPlanes, 0}}), bmpHeader);
    picture("bmp unknown bit depth", "odd.bmp", test::BmpWith({{test::kBmpBitsPerPixel, 7}}),
            bmpHeader);
    picture("bmp data offset past the end", "odd.bmp",
            test::BmpWith({{test::kBmpDataOffset, 100000}}), cutShort);
    picture("bmp width x height overflows", "odd.bmp",
            test::BmpWith({{test::kBmpWidth, 65536}, {test::kBmpHeight, 65536}}),
            "picture too large (65536 x 65536 pixels");
    picture("bmp negative height loads top-down", "top down.bmp",
            test::MakeBmp(test::Pattern(7, 5), 24, true), "", test::Pattern(7, 5));
    picture("missing file", "gone.png", QByteArray(), "file not found");
    picture("a folder", "folder", QByteArray(), "this is a folder, not a picture");
    picture("a named pipe", "pipe", QByteArray(), "not a regular file");
    picture("spaces and non-ASCII load", "mes images/été 2026 ✓.png",
            test::Encode(test::Pattern(6, 4), "png"), "", test::Pattern(6, 4));

    output("empty output path", "", 0, "no file name was given");
    output("output folder missing", "no/such/folder/array.c", 0, "No such file or directory");
    output("output is a folder", "folder", 0, "directory");
    // The 53 bytes of the array against a 16-byte limit: the write fails after its first bytes.
    output("write fails half way", array, 16, "File too large");
    output("output is a named pipe", "pipe", 0, "not a regular file (a device, pipe or socket)");
    // The picture's own path, by any name, is refused by exportOverThePictureIsRefused.
}

void Form1CommandsTest::badInputIsReportedAndLosesNothing()
{
    QFETCH(QString, picture);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, output);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, reason);
    QFETCH(QImage, loaded);

    QVERIFY(QDir().mkdir(Path("folder")));
    QCOMPARE(::mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
    LoadPicture(TwoByTwo(), QStringLiteral("colours.png"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    Write(Path("array.c"), "the export before");
    const QByteArray colours = ReadAll(Path("colours.png"));
    const QImage shownBefore = ShownPicture();
    if (!bytes.isNull()) {
        QVERIFY(QDir().mkpath(QFileInfo(Path(picture)).path()));
        Write(Path(picture), bytes);
    }
    const QStringList entriesBefore = Entries();

    if (!picture.isEmpty()) {
        m_chooser->Choose(Path(picture));
        Click(2);
    } else {
        Text(5)->setText(output.isEmpty() ? output : Path(output));
        const FileSizeLimit limit(sizeLimit > 0 ? rlim_t(sizeLimit) : RLIM_INFINITY);
        QVERIFY(limit.set());
        Click(1);
    }

    if (reason.isEmpty()) { // a picture that must load, and export like any other
        QCOMPARE(m_notifier->messages, QStringList());
        QCOMPARE(m_form->Surface().Image(), loaded);
        QCOMPARE(Text(1)->text(), QString());
        QCOMPARE(Text(2)->text(), QString::number(loaded.width()));
        QCOMPARE(Text(3)->text(), QString::number(loaded.height()));
        QCOMPARE(Text(4)->text(), Path(picture));
        Click(1);
        QCOMPARE(Text(1)->text(), QStringLiteral("done"));
        QCOMPARE(ReadAll(Path("array.c")), ArrayOf(loaded));
        return;
    }

    // One message naming the file and the reason.
    QCOMPARE(m_notifier->messages.size(), 1);
    const QString message = m_notifier->messages.first();
    const QString named = !picture.isEmpty()  ? Path(picture)
                          : !output.isEmpty() ? Path(output)
                                              : "";
    QVERIFY2(message.contains(QStringLiteral("\"%1\"").arg(named)) || named.isEmpty(),
             qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    // The loaded picture and its fields stay; after a failed export the status is emptied.
    QCOMPARE(Text(1)->text(), picture.isEmpty() ? QString() : QStringLiteral("done"));
    QCOMPARE(Text(2)->text(), QStringLiteral("2"));
    QCOMPARE(Text(3)->text(), QStringLiteral("2"));
    QCOMPARE(Text(4)->text(), Path("colours.png"));
    QCOMPARE(m_form->Surface().Image(), TwoByTwo());
    QCOMPARE(ShownPicture(), shownBefore);
    // Nothing is lost and nothing is left behind.
    QCOMPARE(ReadAll(Path("array.c")), QByteArray("the export before"));
    QCOMPARE(ReadAll(Path("colours.png")), colours);
    QCOMPARE(Entries(), entriesBefore);
    QVERIFY(QDir(Path("folder")).isEmpty());

    // The window goes on: the loaded picture still exports.
    Text(5)->setText(Path("again.c"));
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));
    QCOMPARE(ReadAll(Path("again.c")), kTwoByTwoArray);
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

void Form1CommandsTest::exportOverThePictureIsRefused_data()
{
    QTest::addColumn<QString>("output"); // relative names are relative to the picture's folder

    QTest::newRow("same path") << "logo.png";
    QTest::newRow("dot slash") << "./logo.png";
    QTest::newRow("round about") << "sub/../logo.png";
    QTest::newRow("symbolic link") << "link.png";
    QTest::newRow("hard link") << "sub/hard.png";
}

void Form1CommandsTest::exportOverThePictureIsRefused()
{
    QFETCH(QString, output);

    LoadPicture(TwoByTwo(), QStringLiteral("logo.png"));
    const QByteArray picture = ReadAll(Path("logo.png"));
    QVERIFY(QDir().mkdir(Path("sub")));
    QVERIFY(QFile::link(Path("logo.png"), Path("link.png")));
    QCOMPARE(::link(QFile::encodeName(Path("logo.png")).constData(),
                    QFile::encodeName(Path("sub/hard.png")).constData()),
             0);
    Click(1);
    QCOMPARE(Text(1)->text(), QStringLiteral("done"));

    Text(5)->setText(output);
    Click(1);
    QCOMPARE(m_notifier->messages.size(), 1);
    QVERIFY2(m_notifier->messages.first().contains(output), qPrintable(m_notifier->messages[0]));
    QCOMPARE(Text(1)->text(), QString());
    QCOMPARE(ReadAll(Path("logo.png")), picture);
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
    Write(Path("array.c"), "keep me");
    Click(1);
    QCOMPARE(m_notifier->messages.size(), 1);
    const QString message = m_notifier->messages.first();
    QVERIFY2(message.contains(QStringLiteral("no picture is loaded")) &&
                 message.contains(Path("array.c")),
             qPrintable(message));
    QCOMPARE(Text(1)->text(), QString());
    QCOMPARE(ReadAll(Path("array.c")), QByteArray("keep me"));

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
    QCOMPARE(ReadAll(Path("array.c")), kTwoByTwoArray);
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
    Write(Path("notes.txt"), "just some text");
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
