// SPDX-License-Identifier: MIT
#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>

namespace pixolan {

// Shows the loaded picture inside the box's own place in the window; the box never grows. A
// picture that fits is shown at its real size from the top-left corner, a larger one is scaled
// down to fit, keeping its aspect ratio.
class PictureBox : public QFrame
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    // Shows `image` (a null image shows an empty box). The image is scaled once, here.
    void ShowImage(const QImage &image);

    // Where the picture is drawn, in the box's coordinates; empty when nothing is shown.
    QRect PictureRect() const { return m_shown.isNull() ? QRect() : m_shownRect; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_shown;
    QRect m_shownRect;
};

} // namespace pixolan
