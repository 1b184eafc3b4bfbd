// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_fixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace talvenor::window_tests {

ShownWindow::ShownWindow() {
    window.Attach(&form);
    form.Raise(ControlId::Form1, EventKind::Load);
    window.ShowCentred();
}

bool ShownWindow::WaitUntilReady() {
    if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowActive(&window))
        return false;
    log.clear();
    return true;
}

QWidget* ShownWindow::Control(const QString& name) const {
    return window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

QString ShownWindow::ControlAt(QPoint point) const {
    QWidget* widget = window.childAt(point);
    if (widget == nullptr) return QStringLiteral("Form1");
    while (widget->parentWidget() != &window) widget = widget->parentWidget();
    return widget->objectName();
}

QPoint ShownWindow::CentreOf(const QString& name) const {
    QWidget* widget = Control(name);
    return widget == nullptr ? QPoint(-1, -1) : widget->geometry().center();
}

void ShownWindow::Press(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(window.windowHandle(), button, modifiers, point);
}

void ShownWindow::Release(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    QTest::mouseRelease(window.windowHandle(), button, modifiers, point);
}

void ShownWindow::Click(QPoint point, Qt::MouseButton button) {
    QTest::mouseClick(window.windowHandle(), button, {}, point);
}

QString ShownWindow::TextOf(const QString& name) const {
    auto* box = qobject_cast<QLineEdit*>(Control(name));
    return box == nullptr ? QStringLiteral("<no text box %1>").arg(name) : box->text();
}

QStringList ShownWindow::ListItems() const {
    QStringList items;
    if (auto* list = qobject_cast<QListWidget*>(Control(QStringLiteral("List1")))) {
        for (int row = 0; row < list->count(); ++row) items << list->item(row)->text();
    }
    return items;
}

QColor ShownWindow::BaseColourOf(const QString& name) const {
    QWidget* widget = Control(name);
    return widget == nullptr ? QColor() : widget->palette().color(QPalette::Base);
}

QStringList ShownWindow::Log() const {
    QStringList calls;
    for (const std::string& call : log) calls << QString::fromStdString(call);
    return calls;
}

QStringList ShownWindow::Shells() const {
    return Log().filter(QRegularExpression(QStringLiteral("^Shell\\(")));
}

QString ShownWindow::HandleText() const {
    return QStringLiteral("0x") +
           QString::number(static_cast<qulonglong>(window.winId()), 16).toUpper();
}

QImage ShownWindow::Grab() {
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace talvenor::window_tests
