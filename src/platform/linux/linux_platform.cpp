// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_platform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputEvent>
#include <QWidget>

#include <memory>

#include "linux_notifications.h"

namespace talvenor::linux_backend {

namespace {

// X window ids use 29 bits: handles from here up stand for windows still to come.
constexpr WindowHandle kPendingBase = 0x40000000;

void* X11Display() {
    if (auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        return x11->display();
    }
    return nullptr;
}

// Notes the X server time of each press and key (Qt gives X's own as the event's timestamp), so
// that what the program asks of the window manager for the user carries the user's time.
class UserTimeFilter : public QObject {
public:
    explicit UserTimeFilter(X11Desktop& desktop) : desktop_(desktop) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                if (const auto time = static_cast<QInputEvent*>(event)->timestamp(); time != 0) {
                    desktop_.NoteUserTime(static_cast<unsigned long>(time));
                }
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    X11Desktop& desktop_;
};

}  // namespace

LinuxPlatform::LinuxPlatform()
    : desktop_(X11Display()), launched_(kPendingBase),
      notifications_(std::make_unique<DesktopNotifications>([this](const std::string& file) { OpenFolderOf(file); })) {
    if (qApp != nullptr && desktop_.Available()) {
        userTime_ = std::make_unique<UserTimeFilter>(desktop_);
        qApp->installEventFilter(userTime_.get());
    }
}

LinuxPlatform::~LinuxPlatform() = default;

void LinuxPlatform::DoEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void LinuxPlatform::End() {
    desktop_.Flush();
    if (window_ != nullptr) window_->hide();
    QCoreApplication::exit(0);
}

}  // namespace talvenor::linux_backend
