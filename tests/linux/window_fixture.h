// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "form1.h"
#include "qt_window.h"
#include "recording_platform.h"

class QWidget;

namespace talvenor::window_tests {

// The window put together as the program does it (platform, window, dialog, form, load, show),
// with recording fakes as the platform and the dialog, so that a test sees what each click led
// to. The log starts empty once the window is shown.
class ShownWindow {
public:
    ShownWindow();
    ShownWindow(const ShownWindow&) = delete;
    ShownWindow& operator=(const ShownWindow&) = delete;

    // Waits until the window is exposed and active; false if it never is.
    bool WaitUntilReady();

    // The control with this object name ("Text1", "Label7_0"...), a direct child of the window.
    QWidget* Control(const QString& name) const;
    // The name of the control that lies on top at `point` (window coordinates), "Form1" for the
    // bare surface.
    QString ControlAt(QPoint point) const;
    // The centre of a control, in window coordinates.
    QPoint CentreOf(const QString& name) const;

    // Mouse input through the window itself, so that the toolkit decides which control gets it.
    void Press(QPoint point, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {});
    void Release(QPoint point, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = {});
    void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton);
    void Click(const QString& name) { Click(CentreOf(name)); }

    // The text a text box shows, and the text of every item of the list.
    QString TextOf(const QString& name) const;
    QStringList ListItems() const;
    // The colour a text box or the list is filled with.
    QColor BaseColourOf(const QString& name) const;

    QStringList Log() const;
    QStringList Shells() const;
    void ClearLog() { log.clear(); }
    // The window's handle as the fakes print it.
    QString HandleText() const;

    // What the window shows, pixel for pixel.
    QImage Grab();

    testing::CallLog log;
    testing::RecordingPlatform platform{log};
    testing::RecordingDialog dialog{log};
    linux_backend::QtForm window;
    Form1 form{window, dialog, platform};
};

}  // namespace talvenor::window_tests
