// SPDX-License-Identifier: GPL-3.0-or-later
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <utility>

#include "qt_window.h"

namespace talvenor::linux_backend {

namespace {

// The key as the program reads it; the keypad's Enter is Enter.
KeyPress ToKeyPress(const QKeyEvent* event) {
    KeyPress press;
    switch (event->key()) {
        case Qt::Key_Space: press.key = Key::Space; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: press.key = Key::Enter; break;
        case Qt::Key_F4: press.key = Key::F4; break;
        case Qt::Key_Down: press.key = Key::Down; break;
        default: break;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    press.shift = (modifiers & Qt::ShiftModifier) != 0;
    press.control = (modifiers & Qt::ControlModifier) != 0;
    press.alt = (modifiers & Qt::AltModifier) != 0;
    return press;
}

}  // namespace

void LockedLineEdit::keyPressEvent(QKeyEvent* event) {
    static const QKeySequence::StandardKey allowed[] = {
        QKeySequence::Copy,          QKeySequence::SelectAll,        QKeySequence::MoveToNextChar,
        QKeySequence::MoveToPreviousChar, QKeySequence::MoveToStartOfLine, QKeySequence::MoveToEndOfLine,
        QKeySequence::SelectNextChar, QKeySequence::SelectPreviousChar, QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine, QKeySequence::MoveToNextWord,  QKeySequence::MoveToPreviousWord,
        QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord};
    for (QKeySequence::StandardKey key : allowed) {
        if (event->matches(key)) return QLineEdit::keyPressEvent(event);
    }
    event->ignore();
}

void LockedLineEdit::inputMethodEvent(QInputMethodEvent* event) { event->ignore(); }

void LockedLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button would paste the X selection.
    if (event->button() == Qt::MiddleButton) return;
    QLineEdit::mouseReleaseEvent(event);
}

void LockedLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Copier"), this, &QLineEdit::copy);
    copy->setEnabled(hasSelectedText());
    menu.addAction(QStringLiteral("Tout sélectionner"), this, &QLineEdit::selectAll);
    menu.exec(event->globalPos());
}

void FormButton::keyPressEvent(QKeyEvent* event) {
    if (KeyPressesButton(ToKeyPress(event))) {
        if (!event->isAutoRepeat()) click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void QtForm::Raise(ControlId id, EventKind event, const MouseEvent& mouse) {
    if (form_ != nullptr) form_->Raise(id, event, mouse);
}

MouseEvent QtForm::ToMouseEvent(const QMouseEvent* event) const {
    MouseEvent mouse;
    switch (event->button()) {
        case Qt::LeftButton: mouse.button = 1; break;
        case Qt::RightButton: mouse.button = 2; break;
        case Qt::MiddleButton: mouse.button = 4; break;
        default: mouse.button = 0; break;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    mouse.shift = static_cast<std::int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                                            (modifiers & Qt::ControlModifier ? 2 : 0) |
                                            (modifiers & Qt::AltModifier ? 4 : 0));
    // The window measures in twips.
    mouse.x = static_cast<float>(event->position().x() * kTwipsPerInch / 96.0);
    mouse.y = static_cast<float>(event->position().y() * kTwipsPerInch / 96.0);
    return mouse;
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
    const auto found = ids_.find(watched);
    if (found == ids_.end()) return QWidget::eventFilter(watched, event);
    const ControlId id = found->second;
    const ControlKind kind = DesignOf(id).kind;
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);

    if (kind == ControlKind::Label) {
        if (event->type() == QEvent::MouseButtonPress) {
            Raise(id, EventKind::MouseDown, ToMouseEvent(mouse));
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            // The release that ends a double-click is no second click.
            const bool afterDoubleClick = std::exchange(labelDoubleClicked_, false);
            if (!afterDoubleClick && mouse->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
                Raise(id, EventKind::Click);
            }
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            labelDoubleClicked_ = true;
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && KeyClicksTextBox(id, ToKeyPress(static_cast<QKeyEvent*>(event)))) {
        // As a click: the dialog opens once the key has been handled.
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            QMetaObject::invokeMethod(this, [this, id] { Raise(id, EventKind::Click); }, Qt::QueuedConnection);
        }
        return true;
    }
    if (kind == ControlKind::TextBox && event->type() == QEvent::MouseButtonRelease &&
        mouse->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
        // The dialog opens after the box has finished handling the release.
        const bool handled = QWidget::eventFilter(watched, event);
        QMetaObject::invokeMethod(this, [this, id] { Raise(id, EventKind::Click); }, Qt::QueuedConnection);
        return handled;
    }
    if (kind == ControlKind::ListBox) {
        auto* list = qobject_cast<QListWidget*>(Widget(id));
        if (list == nullptr) return QWidget::eventFilter(watched, event);
        // A click on the item already chosen is a choice too; a changed row raises it itself.
        if (event->type() == QEvent::MouseButtonPress) pressedListRow_ = list->currentRow();
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            list->isVisible() && pressedListRow_ == list->currentRow() &&
            list->itemAt(mouse->position().toPoint()) == list->currentItem() && list->currentItem() != nullptr) {
            Raise(id, EventKind::Click);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QtForm::dragEnterEvent(QDragEnterEvent* event) {
    // Addresses only: dropped text is no file.
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QtForm::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QtForm::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    std::vector<OfferedFile> files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            // The name's own bytes, from the address's percent-encoding: toLocalFile() would
            // replace those that are not UTF-8.
            const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            files.push_back({path.toStdString(), true});
        } else {
            files.push_back({url.toDisplayString().toStdString(), false});
        }
    }
    event->acceptProposedAction();
    // After the drop has been answered: the program the file came from is not kept waiting by a box.
    QMetaObject::invokeMethod(
        this, [this, files] { if (form_ != nullptr) form_->OpenFiles(files); }, Qt::QueuedConnection);
}

// The second press of a double-click is no new press.
void QtForm::mouseDoubleClickEvent(QMouseEvent*) {}

void QtForm::mousePressEvent(QMouseEvent* event) { Raise(ControlId::Form1, EventKind::MouseDown, ToMouseEvent(event)); }

void QtForm::beginManualMove() {
    manualMove_ = true;
    moveOffset_ = QCursor::pos() - pos();
    grabMouse();
}

void QtForm::mouseMoveEvent(QMouseEvent*) {
    if (manualMove_) move(QCursor::pos() - moveOffset_);
}

void QtForm::mouseReleaseEvent(QMouseEvent*) {
    if (!manualMove_) return;
    manualMove_ = false;
    releaseMouse();
}

}  // namespace talvenor::linux_backend
