// SPDX-License-Identifier: MIT
#pragma once

#include "convert/read/picture_surface.h"
#include "window/file_chooser.h"
#include "window/notifier.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QPushButton;
QT_END_NAMESPACE

namespace pixolan {

class PictureBox;

// The program's only window: choose a picture, choose where its array source file goes, and
// write it. Every control carries its design name as object name ("Command1", "Text5", ...).
//
// Failures never end the program: a message names the file and the reason, and the window goes
// on with what it held before.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // With Qt's file dialog and message boxes.
    explicit Form1(QWidget *parent = nullptr);
    // With the given file dialog and messages, which tests can script.
    Form1(std::unique_ptr<FileChooser> commonDialog1, std::unique_ptr<Notifier> notifier,
          QWidget *parent = nullptr);
    ~Form1() override;

    // The loaded picture, the one source of pixels for the export.
    const PictureSurface &Surface() const { return m_surface; }

protected:
    // A picture file dropped on the window loads as if chosen with the picture "browse".
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateControls();
    void CreateTabOrder();
    void ConnectCommands();

    // The six commands.
    void FormLoad();
    void BrowsePicture();    // Command2
    void BrowseOutput();     // Command3
    void SetDefaultOutput(); // Command4
    void CreateArray();      // Command1
    void ShowAbout();        // Command5

    void LoadPicture(const QString &path); // what a chosen or dropped picture does
    void Tell(const QString &text);

    std::unique_ptr<FileChooser> m_commonDialog1;
    std::unique_ptr<Notifier> m_notifier;
    PictureSurface m_surface;
    QString m_picturePath; // the file the surface's picture came from; empty before a load

    PictureBox *m_picture1 = nullptr;
    QLineEdit *m_text1 = nullptr; // status
    QLineEdit *m_text2 = nullptr; // width
    QLineEdit *m_text3 = nullptr; // height
    QLineEdit *m_text4 = nullptr; // picture path
    QLineEdit *m_text5 = nullptr; // output path
    QLabel *m_lable1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label3 = nullptr;
    QPushButton *m_command1 = nullptr; // create array
    QPushButton *m_command2 = nullptr; // browse for the picture
    QPushButton *m_command3 = nullptr; // browse for the output file
    QPushButton *m_command4 = nullptr; // default output
    QPushButton *m_command5 = nullptr; // About
};

} // namespace pixolan
