// SPDX-License-Identifier: MIT
#include "window/picture_box.h"

#include <QPainter>

namespace pixolan {

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::NoFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(colours);
    setAutoFillBackground(true);
}

void PictureBox::ShowImage(const QImage &image)
{
    const QRect area = contentsRect();
    if (image.isNull() || area.isEmpty()) {
        m_shown = QPixmap();
    } else if (image.width() <= area.width() && image.height() <= area.height()) {
        m_shown = QPixmap::fromImage(image);
        m_shownRect = QRect(area.topLeft(), image.size());
    } else {
        const QSize size = image.size().scaled(area.size(), Qt::KeepAspectRatio).expandedTo({1, 1});
        // Smooth scaling reads every source pixel; a huge picture is first thinned out quickly
        // to a few times the target size, which keeps the result smooth and the load quick.
        QImage source = image;
        const QSize coarse = size * 4;
        if (source.width() > coarse.width() && source.height() > coarse.height())
            source = source.scaled(coarse, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        m_shown = QPixmap::fromImage(
            source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_shownRect = QRect(area.topLeft(), size);
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_shown.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(m_shownRect.topLeft(), m_shown);
}

} // namespace pixolan
