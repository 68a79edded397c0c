// SPDX-License-Identifier: MIT
// The real dialogs behind the window's seams: Qt's file dialog and message box, each closed by a
// timer so that nothing waits for a user.
#include "convert/test_pictures.h"
#include "window/common_dialog.h"
#include "window/form1.h"
#include "window/window_fakes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace pixolan;
using OpenMode = FileChooser::OpenMode;

namespace {

const QString kPictureFilter = QStringLiteral("images|*.jpg; *.gif; *.bmp; *.png");

// The names the dialog's file list offers (shown and selectable) once it has read its folder.
QStringList OfferedNames(QFileDialog *dialog, int atLeast)
{
    auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
    if (!view)
        return {QStringLiteral("<no list>")};
    QStringList names;
    const bool listed = QTest::qWaitFor(
        [&] {
            names.clear();
            const QAbstractItemModel *model = view->model();
            const QModelIndex folder = view->rootIndex();
            for (int row = 0; row < model->rowCount(folder); ++row) {
                const QModelIndex item = model->index(row, 0, folder);
                if (model->flags(item) & Qt::ItemIsEnabled)
                    names.append(item.data().toString());
            }
            return names.size() >= atLeast;
        },
        5000);
    if (!listed)
        names.append(QStringLiteral("<still listing>"));
    names.sort();
    return names;
}

// What a test saw of a file dialog before closing it.
struct Seen
{
    QString objectName;
    bool qtOwnDialog = false;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptSave;
    QFileDialog::FileMode fileMode = QFileDialog::Directory;
    QStringList nameFilters;
    QString folder;
    QStringList selected;
    QStringList offered;
};

Seen Look(QWidget *modal, int offeredAtLeast = 0)
{
    Seen seen;
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    if (!dialog)
        return seen;
    seen.objectName = dialog->objectName();
    seen.qtOwnDialog = dialog->testOption(QFileDialog::DontUseNativeDialog);
    seen.acceptMode = dialog->acceptMode();
    seen.fileMode = dialog->fileMode();
    seen.nameFilters = dialog->nameFilters();
    seen.folder = dialog->directory().absolutePath();
    seen.selected = dialog->selectedFiles();
    if (offeredAtLeast > 0)
        seen.offered = OfferedNames(dialog, offeredAtLeast);
    return seen;
}

// Types `name` into the dialog's file name field and presses the dialog's accept button.
void TypeAndAccept(QWidget *modal, const QString &name)
{
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    if (!dialog)
        return;
    auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (field) {
        field->clear();
        QTest::keyClicks(field, name);
    }
    QTest::keyClick(field ? static_cast<QWidget *>(field) : dialog, Qt::Key_Return);
}

} // namespace

class CommonDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filterNotation_data();
    void filterNotation();
    void pictureBrowseOffersPicturesOnly();
    void dialogReopensAtTheLastFileAndCancelKeepsIt();
    void outputBrowseAcceptsANewName();
    void windowLoadsThroughTheRealDialog();
    void messageBoxHasTitleOkOnlyAndNoIcon();

private:
    QString Path(const QString &name) const { return m_dir->path(name); }

    std::unique_ptr<test::CurrentTempDir> m_dir;
};

void CommonDialogTest::init()
{
    m_dir = std::make_unique<test::CurrentTempDir>();
    QVERIFY(m_dir->entered());
    // Qt writes no GIF; the dialog goes by names only.
    for (const auto &[name, format] : {std::pair{"PHOTO.JPG", "jpg"}, std::pair{"a.png", "png"},
                                       std::pair{"b.gif", "png"}, std::pair{"c.bmp", "bmp"}})
        QVERIFY(test::SavePicture(test::Pattern(3, 2), Path(QLatin1String(name)), format));
    for (const char *name : {"notes.txt", "d.jpeg", "array.c"})
        QVERIFY(test::WriteBytes(Path(QLatin1String(name)), ""));
}

void CommonDialogTest::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    m_dir.reset();
}

void CommonDialogTest::filterNotation_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");

    QTest::newRow("pictures") << kPictureFilter << QStringList{"images (*.jpg *.gif *.bmp *.png)"};
    QTest::newRow("two entries") << "C source|*.c|all files|*.*"
                                 << QStringList{"C source (*.c)", "all files (*.*)"};
    QTest::newRow("no filter") << "" << QStringList();
}

void CommonDialogTest::filterNotation()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(NameFiltersFromFilter(filter), nameFilters);
}

void CommonDialogTest::pictureBrowseOffersPicturesOnly()
{
    CommonDialog1 dialog;
    dialog.SetFilter(kPictureFilter);
    Seen seen;
    const test::WhenModal script([&](QWidget *modal) {
        seen = Look(modal, 4);
        TypeAndAccept(modal, QStringLiteral("PHOTO.JPG"));
    });
    const std::optional<QString> chosen =
        dialog.ShowOpen(nullptr, "Choose", OpenMode::ExistingFile);
    QVERIFY(script.handled());
    QCOMPARE(script.unexpected(), QStringList());

    QCOMPARE(seen.objectName, QStringLiteral("CommonDialog1"));
    QVERIFY(seen.qtOwnDialog);
    QCOMPARE(seen.acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(seen.fileMode, QFileDialog::ExistingFile);
    QCOMPARE(seen.nameFilters, QStringList{"images (*.jpg *.gif *.bmp *.png)"});
    // Upper-case extensions match too; other files are not offered.
    QCOMPARE(seen.offered, QStringList({"PHOTO.JPG", "a.png", "b.gif", "c.bmp"}));

    QCOMPARE(chosen, std::optional(Path("PHOTO.JPG")));
    QCOMPARE(dialog.FileName(), Path("PHOTO.JPG"));
    QCOMPARE(dialog.Filter(), kPictureFilter);
}

void CommonDialogTest::dialogReopensAtTheLastFileAndCancelKeepsIt()
{
    QVERIFY(QDir().mkdir(Path("elsewhere")));
    CommonDialog1 dialog;
    {
        const test::WhenModal script(
            [&](QWidget *modal) { TypeAndAccept(modal, QStringLiteral("b.gif")); });
        QCOMPARE(dialog.ShowOpen(nullptr, "Choose", OpenMode::ExistingFile),
                 std::optional(Path("b.gif")));
    }
    QVERIFY(QDir::setCurrent(Path("elsewhere"))); // the dialog does not follow the directory

    Seen seen;
    const test::WhenModal script([&](QWidget *modal) {
        seen = Look(modal);
        qobject_cast<QDialog *>(modal)->reject();
    });
    QCOMPARE(dialog.ShowOpen(nullptr, "Choose", OpenMode::AnyFile), std::nullopt);
    QVERIFY(script.handled());
    QCOMPARE(script.unexpected(), QStringList());
    QCOMPARE(seen.folder, m_dir->path());
    QCOMPARE(seen.selected, QStringList{Path("b.gif")});
    QCOMPARE(dialog.FileName(), Path("b.gif"));
}

void CommonDialogTest::outputBrowseAcceptsANewName()
{
    CommonDialog1 dialog;
    dialog.SetFilter(kPictureFilter);
    Seen seen;
    const test::WhenModal script([&](QWidget *modal) {
        seen = Look(modal);
        TypeAndAccept(modal, QStringLiteral("lcd_logo.c"));
    });
    QCOMPARE(dialog.ShowOpen(nullptr, "Choose", OpenMode::AnyFile),
             std::optional(Path("lcd_logo.c")));
    QCOMPARE(seen.acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(seen.fileMode, QFileDialog::AnyFile);
    QVERIFY(!QFile::exists(Path("lcd_logo.c")));
}

void CommonDialogTest::windowLoadsThroughTheRealDialog()
{
    auto notifier = std::make_unique<test::RecordingNotifier>();
    test::RecordingNotifier *messages = notifier.get();
    Form1 form(std::make_unique<CommonDialog1>(), std::move(notifier));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    Seen seen;
    {
        const test::WhenModal script([&](QWidget *modal) {
            seen = Look(modal, 4);
            TypeAndAccept(modal, QStringLiteral("c.bmp"));
        });
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("Command2")),
                          Qt::LeftButton);
        QVERIFY(script.handled());
        QCOMPARE(script.unexpected(), QStringList());
    }
    QCOMPARE(messages->messages, QStringList());
    QCOMPARE(seen.nameFilters, QStringList{"images (*.jpg *.gif *.bmp *.png)"});
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text4"))->text(), Path("c.bmp"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text2"))->text(), QStringLiteral("3"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text3"))->text(), QStringLiteral("2"));

    // The output browse opens at the picture, and OK there is refused.
    {
        const test::WhenModal script([&](QWidget *modal) {
            seen = Look(modal);
            qobject_cast<QDialog *>(modal)->accept();
        });
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("Command3")),
                          Qt::LeftButton);
        QVERIFY(script.handled());
        QCOMPARE(script.unexpected(), QStringList());
    }
    QCOMPARE(seen.selected, QStringList{Path("c.bmp")});
    QCOMPARE(messages->messages.size(), 1);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text5"))->text(), Path("array.c"));
}

void CommonDialogTest::messageBoxHasTitleOkOnlyAndNoIcon()
{
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QList<QMessageBox::StandardButton> buttons;
    const test::WhenModal script([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            buttons.append(box->standardButton(button));
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    MessageBoxNotifier().ShowMessage(nullptr, "Pixolan version 1.1\rby <b>us</b>");
    QVERIFY(script.handled());
    QCOMPARE(script.unexpected(), QStringList());

    QCOMPARE(title, QStringLiteral("Pixolan"));
    QCOMPARE(text, QStringLiteral("Pixolan version 1.1\nby <b>us</b>")); // CR shown as a break
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QList{QMessageBox::Ok});
}

QTEST_MAIN(CommonDialogTest)
#include "common_dialog_test.moc"
