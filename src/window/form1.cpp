// SPDX-License-Identifier: MIT
#include "window/form1.h"

#include "convert/write/array_writer.h"
#include "convert/write/output_path.h"
#include "icon/application_icon.h"
#include "window/common_dialog.h"
#include "window/picture_box.h"
#include "window/twips.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyleOptionFrame>

namespace pixolan {
namespace {

const QString kPictureFilter = QStringLiteral("images|*.jpg; *.gif; *.bmp; *.png");
const QString kAbout = QStringLiteral("Pixolan version 1.1\rby the Pixolan developers");

// The layout was drawn for a compact 8-point dialog font. Arial's metrics (Liberation Sans on
// Linux) keep every caption inside its control; the usual desktop fonts are wider.
QFont DialogFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8);
    return font;
}

QFont NamedFont(const QString &family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

// The wait cursor while a picture loads or an export runs; it goes before any message shows.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// A centred field for a picture's width or height. Its font is the design font, made smaller
// where needed so that the text, and any number up to five digits, is always shown whole.
class NumberField final : public QLineEdit
{
public:
    NumberField(const QFont &designFont, QWidget *parent)
        : QLineEdit(parent), m_designFont(designFont)
    {
        setAlignment(Qt::AlignCenter);
        setFont(m_designFont);
        connect(this, &QLineEdit::textChanged, this, &NumberField::FitFont);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLineEdit::resizeEvent(event);
        FitFont();
    }

private:
    static constexpr qreal kSmallestPoints = 5;
    static constexpr qreal kStepPoints = 0.5;

    void FitFont()
    {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect contents = style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                                   .marginsRemoved(textMargins());
        // QLineEdit keeps two pixels free on each side, and the cursor needs one.
        const qreal roomWidth = contents.width() - 2 * 2 - 1;
        const qreal roomHeight = contents.height();

        QFont font = m_designFont;
        for (;;) {
            const QFontMetricsF metrics(font);
            const qreal needed = qMax(metrics.horizontalAdvance(QStringLiteral("16384")),
                                      metrics.horizontalAdvance(text()));
            if ((needed <= roomWidth && metrics.height() <= roomHeight) ||
                font.pointSizeF() - kStepPoints < kSmallestPoints)
                break;
            font.setPointSizeF(font.pointSizeF() - kStepPoints);
        }
        if (font != this->font())
            setFont(font);
    }

    QFont m_designFont;
};

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, Qt::Alignment align,
                  const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(align | Qt::AlignVCenter);
    label->setGeometry(place);
    return label;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text, const QRect &place)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

template <typename Field> Field *PlaceField(Field *field, const char *name, const QRect &place)
{
    field->setObjectName(QLatin1String(name));
    field->setGeometry(place);
    return field;
}

} // namespace

Form1::Form1(QWidget *parent)
    : Form1(std::make_unique<CommonDialog1>(), std::make_unique<MessageBoxNotifier>(), parent)
{}

Form1::Form1(std::unique_ptr<FileChooser> commonDialog1, std::unique_ptr<Notifier> notifier,
             QWidget *parent)
    : QWidget(parent), m_commonDialog1(std::move(commonDialog1)), m_notifier(std::move(notifier))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Graphic LCD Pixolan"));
    setWindowIcon(ApplicationIcon());
    setFixedSize(TwipsSize(8355, 3345));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(DialogFont());
    setAcceptDrops(true);

    CreateControls();
    CreateTabOrder();
    ConnectCommands();
    FormLoad();
}

Form1::~Form1() = default;

void Form1::CreateControls()
{
    m_picture1 = new PictureBox(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(TwipsRect(120, 120, 2025, 1875));

    // The captions come first, so that a field overlapping its caption by a pixel lies on top.
    m_lable1 = MakeLabel(this, "Lable1", QStringLiteral("Width"), Qt::AlignHCenter,
                         TwipsRect(3240, 360, 735, 255));
    m_label2 = MakeLabel(this, "Label2", QStringLiteral("Height"), Qt::AlignHCenter,
                         TwipsRect(4680, 360, 735, 255));
    m_label1 = MakeLabel(this, "Label1", QStringLiteral("Image"), Qt::AlignLeft,
                         TwipsRect(240, 2520, 855, 255));
    m_label3 = MakeLabel(this, "Label3", QStringLiteral("output file"), Qt::AlignLeft,
                         TwipsRect(240, 2880, 855, 255));

    m_text1 = PlaceField(new QLineEdit(this), "Text1", TwipsRect(4440, 1560, 855, 405));
    m_text1->setReadOnly(true);
    m_text1->setFont(NamedFont(QStringLiteral("Arial"), 12));
    const QFont numberFont = NamedFont(QStringLiteral("MS Sans Serif"), 13.5);
    m_text2 =
        PlaceField(new NumberField(numberFont, this), "Text2", TwipsRect(3240, 600, 735, 375));
    m_text3 =
        PlaceField(new NumberField(numberFont, this), "Text3", TwipsRect(4680, 600, 735, 375));
    m_command1 = MakeButton(this, "Command1", QStringLiteral("create array"),
                            TwipsRect(3240, 1560, 1095, 375));
    m_command2 =
        MakeButton(this, "Command2", QStringLiteral("browse"), TwipsRect(6480, 2520, 735, 255));
    m_text4 = PlaceField(new QLineEdit(this), "Text4", TwipsRect(1080, 2520, 5295, 285));
    m_text5 = PlaceField(new QLineEdit(this), "Text5", TwipsRect(1080, 2880, 5295, 285));
    m_command3 =
        MakeButton(this, "Command3", QStringLiteral("browse"), TwipsRect(6480, 2880, 735, 255));
    m_command4 =
        MakeButton(this, "Command4", QStringLiteral("default"), TwipsRect(7320, 2880, 735, 255));
    m_command5 =
        MakeButton(this, "Command5", QStringLiteral("About"), TwipsRect(7440, 120, 735, 255));
}

void Form1::CreateTabOrder()
{
    // Picture1 and the captions take no keyboard focus.
    QWidget *const order[] = {m_text1, m_text2, m_text3,    m_command1, m_command2,
                              m_text4, m_text5, m_command3, m_command4, m_command5};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Form1::ConnectCommands()
{
    connect(m_command1, &QPushButton::clicked, this, &Form1::CreateArray);
    connect(m_command2, &QPushButton::clicked, this, &Form1::BrowsePicture);
    connect(m_command3, &QPushButton::clicked, this, &Form1::BrowseOutput);
    connect(m_command4, &QPushButton::clicked, this, &Form1::SetDefaultOutput);
    connect(m_command5, &QPushButton::clicked, this, &Form1::ShowAbout);
}

void Form1::Tell(const QString &text)
{
    m_notifier->ShowMessage(this, text);
}

void Form1::FormLoad()
{
    m_text4->clear();
    m_text5->setText(DefaultOutputPath());
}

void Form1::BrowsePicture()
{
    m_commonDialog1->SetFilter(kPictureFilter);
    const std::optional<QString> name = m_commonDialog1->ShowOpen(
        this, QStringLiteral("Choose a picture"), FileChooser::OpenMode::ExistingFile);
    if (name)
        LoadPicture(*name);
}

void Form1::LoadPicture(const QString &path)
{
    const Status loaded = [&] {
        const BusyCursor busy;
        Status status = m_surface.Load(path);
        if (status)
            m_picture1->ShowImage(m_surface.Image());
        return status;
    }();
    if (!loaded) {
        Tell(loaded.error()); // the previous picture and its fields stay
        return;
    }
    m_picturePath = path;
    m_text2->setText(QString::number(m_surface.Width()));
    m_text3->setText(QString::number(m_surface.Height()));
    m_text4->setText(path);
    m_text1->clear();
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    // Anything may be dropped: what is not one picture file gets a message rather than a
    // silently refused drop.
    event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        LoadPicture(urls.front().toLocalFile());
        return;
    }
    QString what;
    if (urls.size() > 1)
        what = QStringLiteral("%1 files were dropped").arg(urls.size());
    else if (urls.size() == 1)
        what = QStringLiteral("\"%1\" is not a file on this computer").arg(urls.front().toString());
    else
        what = QStringLiteral("what was dropped is not a file");
    Tell(QStringLiteral("Cannot load a picture: %1. Drop one picture file (jpg, gif, bmp or png) "
                        "on the window.")
             .arg(what));
}

void Form1::BrowseOutput()
{
    const std::optional<QString> name = m_commonDialog1->ShowOpen(
        this, QStringLiteral("Choose the output file"), FileChooser::OpenMode::AnyFile);
    if (!name)
        return; // cancelled: nothing changes
    // The dialog remembers the picture's name, so OK pressed at once would choose the picture.
    if (const Status notPicture = CheckOutputIsNotPicture(m_picturePath, *name); !notPicture) {
        Tell(notPicture.error());
        return;
    }
    m_text1->clear();
    m_text5->setText(*name);
}

void Form1::SetDefaultOutput()
{
    const QString path = DefaultOutputPath();
    if (m_text5->text() == path)
        Tell(QStringLiteral("default already set"));
    m_text5->setText(path);
}

void Form1::CreateArray()
{
    const QString output = m_text5->text();
    Status written = Status::Ok();
    if (m_surface.Image().isNull()) {
        written = Status::Failure(
            QStringLiteral("Cannot write \"%1\": no picture is loaded. Choose a picture with "
                           "\"browse\" on the Image row first.")
                .arg(QDir::toNativeSeparators(output)));
    } else {
        written = CheckOutputIsNotPicture(m_picturePath, output);
        if (written) {
            const BusyCursor busy;
            written = WriteArrayFile(m_surface, output);
        }
    }
    if (!written) {
        m_text1->clear(); // an earlier "done" must not stand beside this failure
        Tell(written.error());
        return;
    }
    m_text1->setText(QStringLiteral("done"));
}

void Form1::ShowAbout()
{
    Tell(kAbout);
}

} // namespace pixolan
