// SPDX-License-Identifier: GPL-3.0-or-later
#include <QWidget>
#include <QWindow>

#include "linux_platform.h"

namespace talvenor::linux_backend {

void LinuxPlatform::SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int, int, int, int,
                                 std::uint32_t flags) {
    if ((flags & kSwpShowWindow) != 0 && window_ != nullptr && !window_->isVisible()) window_->show();
    if (insertAfter == kHwndTopmost) desktop_.MakeTopmost(window);
}

void LinuxPlatform::ReleaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    desktop_.UngrabPointer();
}

void LinuxPlatform::SendMessage(WindowHandle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message != kWmNcLButtonDown || wParam != kHtCaption || window_ == nullptr) return;
    // The window manager's interactive move; the window itself follows the pointer without one.
    QWindow* handle = window_->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) return;
    QMetaObject::invokeMethod(window_, "beginManualMove");
}

}  // namespace talvenor::linux_backend
