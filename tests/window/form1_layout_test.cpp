// SPDX-License-Identifier: MIT
// Form1 as the user sees it before any command: controls, places, keyboard order, fonts, colours.
#include "window/form1.h"
#include "window/window_fakes.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

#include <memory>

using namespace pixolan;

namespace {

const QColor kBackground(192, 192, 255);

// A place on screen in the design's unit: 15 twips make one logical pixel (96 pixels an inch),
// and every designed number is a whole number of pixels.
QRect InTwips(const QRect &pixels)
{
    return QRect(pixels.topLeft() * 15, pixels.size() * 15);
}

// The widgets that Tab visits, in order, starting from the first one.
QList<QWidget *> TabChain(QWidget *window)
{
    QList<QWidget *> chain;
    QWidget *first = nullptr;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w == first)
            break;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled()) {
            if (!first)
                first = w;
            chain.append(w);
        }
    }
    return chain;
}

// The room a control gives its text.
QRect TextRoom(QWidget *widget)
{
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    return widget->contentsRect();
}

} // namespace

class Form1LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void windowHasItsCaptionSizeAndColour();
    void fontsAreTheDesignedOnes();
    void textsFitTheirControls_data();
    void textsFitTheirControls();
    void fieldsLieOverTheCaptionsTheyTouch();
    void numberFieldsShowLargeNumbersWhole_data();
    void numberFieldsShowLargeNumbersWhole();

private:
    std::unique_ptr<Form1> m_form;
};

void Form1LayoutTest::init()
{
    m_form = std::make_unique<Form1>(std::make_unique<test::ScriptedChooser>(),
                                     std::make_unique<test::RecordingNotifier>());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void Form1LayoutTest::cleanup()
{
    m_form.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form1LayoutTest::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<int>("tabPosition"); // among the controls Tab visits; -1 for none

    // The designed place of each control: left, top, width, height in twips.
    auto row = [](const char *name, const char *kind, const char *text, QRect place, int tab) {
        QTest::newRow(name) << QString(kind) << QString(text) << place << tab;
    };
    row("Picture1", "pixolan::PictureBox", "", {120, 120, 2025, 1875}, -1);
    row("Text1", "QLineEdit", "", {4440, 1560, 855, 405}, 0);
    row("Text2", "QLineEdit", "", {3240, 600, 735, 375}, 1);
    row("Text3", "QLineEdit", "", {4680, 600, 735, 375}, 2);
    row("Lable1", "QLabel", "Width", {3240, 360, 735, 255}, -1);
    row("Label2", "QLabel", "Height", {4680, 360, 735, 255}, -1);
    row("Command1", "QPushButton", "create array", {3240, 1560, 1095, 375}, 3);
    row("Command2", "QPushButton", "browse", {6480, 2520, 735, 255}, 4);
    row("Text4", "QLineEdit", "", {1080, 2520, 5295, 285}, 5);
    row("Text5", "QLineEdit", "<default>", {1080, 2880, 5295, 285}, 6);
    row("Command3", "QPushButton", "browse", {6480, 2880, 735, 255}, 7);
    row("Label1", "QLabel", "Image", {240, 2520, 855, 255}, -1);
    row("Label3", "QLabel", "output file", {240, 2880, 855, 255}, -1);
    row("Command4", "QPushButton", "default", {7320, 2880, 735, 255}, 8);
    row("Command5", "QPushButton", "About", {7440, 120, 735, 255}, 9);
}

void Form1LayoutTest::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, place);
    QFETCH(int, tabPosition);
    const QString name = QString::fromLatin1(QTest::currentDataTag());

    QWidget *control = m_form->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->parentWidget(), m_form.get());
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    QVERIFY(control->isVisible());
    QCOMPARE(InTwips(control->geometry()), place);
    QCOMPARE(int(TabChain(m_form.get()).indexOf(control)), tabPosition);

    QString shown;
    if (auto *label = qobject_cast<QLabel *>(control))
        shown = label->text();
    else if (auto *button = qobject_cast<QPushButton *>(control))
        shown = button->text();
    else if (auto *field = qobject_cast<QLineEdit *>(control))
        shown = field->text();
    if (text == QLatin1String("<default>"))
        QVERIFY2(shown.endsWith(QLatin1String("/array.c")), qPrintable(shown));
    else
        QCOMPARE(shown, text);
}

void Form1LayoutTest::windowHasItsCaptionSizeAndColour()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Graphic LCD Pixolan"));
    QCOMPARE(InTwips(m_form->rect()).size(), QSize(8355, 3345));
    QCOMPARE(m_form->minimumSize(), m_form->size()); // the window cannot be resized
    QCOMPARE(m_form->maximumSize(), m_form->size());

    // The colour on screen: the window between controls, and the labels' own boxes.
    const QImage shot = m_form->grab().toImage();
    QCOMPARE(shot.pixelColor(300, 4), kBackground);
    QCOMPARE(shot.pixelColor(540, 120), kBackground);
    for (const char *name : {"Lable1", "Label2", "Label1", "Label3"}) {
        const QRect box = m_form->findChild<QLabel *>(QLatin1String(name))->geometry();
        QCOMPARE(shot.pixelColor(box.topLeft()), kBackground);
        QCOMPARE(shot.pixelColor(box.topRight()), kBackground);
    }

    auto *text1 = m_form->findChild<QLineEdit *>(QStringLiteral("Text1"));
    QVERIFY(text1->isReadOnly());
    for (const char *name : {"Text2", "Text3", "Text4", "Text5"})
        QVERIFY(!m_form->findChild<QLineEdit *>(QLatin1String(name))->isReadOnly());
    for (const char *name : {"Text2", "Text3"})
        QCOMPARE(m_form->findChild<QLineEdit *>(QLatin1String(name))->alignment() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
}

void Form1LayoutTest::fontsAreTheDesignedOnes()
{
    const QFont text1 = m_form->findChild<QLineEdit *>(QStringLiteral("Text1"))->font();
    QCOMPARE(text1.family(), QStringLiteral("Arial"));
    QCOMPARE(text1.pointSizeF(), 12.0);
    for (const char *name : {"Text2", "Text3"}) {
        const QFont number = m_form->findChild<QLineEdit *>(QLatin1String(name))->font();
        QCOMPARE(number.family(), QStringLiteral("MS Sans Serif"));
        QVERIFY2(number.pointSizeF() > 8 && number.pointSizeF() <= 13.5,
                 qPrintable(QString::number(number.pointSizeF())));
    }
    const QFont dialog = m_form->font();
    for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Lable1",
                             "Label1", "Label2", "Label3", "Text4", "Text5"})
        QCOMPARE(m_form->findChild<QWidget *>(QLatin1String(name))->font(), dialog);
}

void Form1LayoutTest::textsFitTheirControls_data()
{
    QTest::addColumn<QString>("text"); // empty: the control's own text

    for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Lable1",
                             "Label1", "Label2", "Label3"})
        QTest::newRow(name) << QString();
    QTest::newRow("Text1") << QStringLiteral("done");
}

void Form1LayoutTest::textsFitTheirControls()
{
    QFETCH(QString, text);
    QWidget *control = m_form->findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    if (text.isEmpty())
        text = control->property("text").toString();

    const QFontMetrics metrics(control->font());
    const QRect room = TextRoom(control);
    const QString sizes = QStringLiteral("%1 needs %2 x %3, has %4 x %5")
                              .arg(text)
                              .arg(metrics.horizontalAdvance(text))
                              .arg(metrics.height())
                              .arg(room.width())
                              .arg(room.height());
    QVERIFY2(metrics.horizontalAdvance(text) <= room.width(), qPrintable(sizes));
    QVERIFY2(metrics.ascent() + metrics.descent() <= room.height(), qPrintable(sizes));
}

void Form1LayoutTest::fieldsLieOverTheCaptionsTheyTouch()
{
    // "Width" and "Height" reach one pixel into the fields below them.
    for (const auto &[captionName, fieldName] :
         {std::pair{"Lable1", "Text2"}, std::pair{"Label2", "Text3"}}) {
        QWidget *caption = m_form->findChild<QWidget *>(QLatin1String(captionName));
        QWidget *field = m_form->findChild<QWidget *>(QLatin1String(fieldName));
        const QRect overlap = caption->geometry() & field->geometry();
        QVERIFY(!overlap.isEmpty());
        QCOMPARE(m_form->childAt(overlap.center()), field);
    }
}

void Form1LayoutTest::numberFieldsShowLargeNumbersWhole_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("one digit") << "7";
    QTest::newRow("16384") << "16384";
    QTest::newRow("six digits") << "100000";
    QTest::newRow("nine digits") << "268435456";
}

void Form1LayoutTest::numberFieldsShowLargeNumbersWhole()
{
    QFETCH(QString, number);
    for (const char *name : {"Text2", "Text3"}) {
        auto *field = m_form->findChild<QLineEdit *>(QLatin1String(name));
        field->setText(number);
        const QFontMetricsF metrics(field->font());
        // Inside its frame a QLineEdit keeps two pixels free on each side.
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        const qreal room =
            field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field).width() -
            2 * 2;
        const QString sizes = QStringLiteral("%1 at %2 pt needs %3, has %4")
                                  .arg(number)
                                  .arg(field->font().pointSizeF())
                                  .arg(metrics.horizontalAdvance(number))
                                  .arg(room);
        QVERIFY2(metrics.horizontalAdvance(number) <= room, qPrintable(sizes));
        QVERIFY2(metrics.horizontalAdvance(QStringLiteral("16384")) <= room, qPrintable(sizes));
        QVERIFY(metrics.height() <= field->height());
    }
}

QTEST_MAIN(Form1LayoutTest)
#include "form1_layout_test.moc"
