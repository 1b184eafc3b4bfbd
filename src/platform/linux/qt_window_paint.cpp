// SPDX-License-Identifier: GPL-3.0-or-later
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "qt_window.h"

namespace talvenor::linux_backend {

FormButton::FormButton(QWidget* parent) : FormButton(QString(), parent) {}

FormButton::FormButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // Connected before any handler: a handler may open a dialog, and the button must paint
    // normally while it shows.
    connect(this, &QAbstractButton::clicked, this, [this] { setUpdatesEnabled(true); });
}

template <typename Handler>
void FormButton::PaintLater(Handler handler) {
    // QPushButton calls repaint() while it handles a press and before it emits clicked; with
    // updates off that paints nothing, and turning them back on schedules one update instead.
    setUpdatesEnabled(false);
    handler();
    setUpdatesEnabled(true);
}

void FormButton::mousePressEvent(QMouseEvent* event) {
    PaintLater([&] { QPushButton::mousePressEvent(event); });
}

void FormButton::mouseReleaseEvent(QMouseEvent* event) {
    PaintLater([&] { QPushButton::mouseReleaseEvent(event); });
}

PictureButton::PictureButton(const QPixmap& picture, QWidget* parent) : FormButton(parent), picture_(picture) {}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.setClipRect(rect());
    const QPoint corner((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
    const int shift = isDown() ? 1 : 0;
    painter.drawPixmap(corner + QPoint(shift, shift), picture_);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect ring;
        ring.initFrom(this);
        ring.rect = rect().adjusted(2, 2, -2, -2);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, ring);
    }
}

void QtForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(kFormDesign.backColor));
    painter.drawPixmap(0, 0, background_);
}

}  // namespace talvenor::linux_backend
