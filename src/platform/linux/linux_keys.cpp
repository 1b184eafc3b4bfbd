// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QTimer>

#include "linux_platform.h"

namespace talvenor::linux_backend {

void LinuxPlatform::SendKeys(const std::string& keys, bool wait) {
    if (wait) {
        DeliverKeys(keys);
        return;
    }
    // As typed later: the handler's own foreground change takes effect first.
    QTimer::singleShot(0, qApp, [this, keys] { DeliverKeys(keys); });
}

void LinuxPlatform::DeliverKeys(const std::string& keys) {
    const WindowHandle target = launched_.TakeKeyTarget();
    if (target == 0 || !desktop_.WaitForFocus(target, kStopFocusWaitMs)) return;
    desktop_.TypeText(keys);
}

void LinuxPlatform::GetKeyboardState(KeyStateTable& table) {
    table.fill(0);
    desktop_.ReadLocks(table);
}

void LinuxPlatform::SetKeyboardState(const KeyStateTable& table) { desktop_.WriteLocks(table); }

void LinuxPlatform::keybd_event(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags, std::uintptr_t) {
    desktop_.FakeVirtualKey(virtualKey, (flags & kKeyEventKeyUp) == 0);
}

}  // namespace talvenor::linux_backend
