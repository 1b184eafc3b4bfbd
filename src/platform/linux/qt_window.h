// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QCursor>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QWidget>
#include <map>

#include "controls.h"
#include "form1.h"

class QLabel;
class QListWidget;

namespace talvenor::linux_backend {

// The program's one window, built by walking the stored design. It owns no program logic: it
// sets what the handlers ask and turns the toolkit's events into calls of the form's handlers.
class QtForm : public QWidget, public FormControls {
    Q_OBJECT

public:
    QtForm();

    // Connects the window to the form whose handlers its events raise.
    void Attach(Form1* form) { form_ = form; }
    // Centres the window on its screen, shows it and gives the focus to the first tab stop.
    void ShowCentred();

    QWidget* Widget(ControlId id) const;

    void SetText(ControlId control, const std::string& text) override;
    std::string Text(ControlId control) override;
    void SetEnabled(ControlId control, bool enabled) override;
    void SetVisible(ControlId control, bool visible) override;
    void SetBackColor(ControlId control, Colour colour) override;
    std::int16_t ListIndex(ControlId list) override;
    void SetListIndex(ControlId list, std::int16_t index) override;
    std::string ListItem(ControlId list, int index) override;
    WindowHandle hWnd() override;
    void SetWindowState(int state) override;

public slots:
    // Moves the window with the pointer until the button is released, where no window manager
    // offers an interactive move.
    void beginManualMove();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* Create(const ControlDesign& design);
    void Raise(ControlId id, EventKind event, const MouseEvent& mouse = {});
    MouseEvent ToMouseEvent(const QMouseEvent* event) const;

    Form1* form_ = nullptr;
    std::map<ControlId, QWidget*> widgets_;
    std::map<QObject*, ControlId> ids_;
    // The text each control was last given, as bytes and as shown: a file name that is not UTF-8
    // shows with replacement characters but is read back as it was given.
    std::map<ControlId, std::pair<std::string, QString>> given_;
    QPixmap background_;
    QCursor handCursor_;
    bool settingList_ = false;
    bool manualMove_ = false;
    QPoint moveOffset_;
    int pressedListRow_ = -2;
    bool labelDoubleClicked_ = false;
};

// A text box the user can focus, select in and copy from, but never change.
class LockedLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// A push button that paints its pressed and released looks on the event loop's next pass rather
// than at once (as QPushButton does), so that a click reaches its handler, and the program it
// starts, without waiting for two paints.
class FormButton : public QPushButton {
    Q_OBJECT

public:
    explicit FormButton(QWidget* parent);
    FormButton(const QString& text, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <typename Handler>
    void PaintLater(Handler handler);
};

// A graphical button: its picture centred on the face and clipped to it, no caption.
class PictureButton : public FormButton {
    Q_OBJECT

public:
    PictureButton(const QPixmap& picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

QColor ToQColor(Colour colour);

}  // namespace talvenor::linux_backend
