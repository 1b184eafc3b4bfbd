// SPDX-License-Identifier: GPL-3.0-or-later
#include "sendkey.h"

namespace talvenor {

namespace {

// Any set bit counts as on, the key-down bit included.
bool LockOn(PlatformServices& platform, std::uint8_t virtualKey) {
    KeyStateTable table{};
    platform.GetKeyboardState(table);
    return table[virtualKey] != 0;
}

void ToggleLock(PlatformServices& platform, std::uint8_t virtualKey) {
    const std::uint32_t platformId = platform.PlatformId();
    KeyStateTable table{};
    platform.GetKeyboardState(table);
    if (platformId == kPlatformWin32Windows) {
        table[virtualKey] = static_cast<std::uint8_t>(~table[virtualKey]);
        platform.SetKeyboardState(table);
    } else if (platformId == kPlatformWin32Nt) {
        platform.keybd_event(virtualKey, kLockScanCode, kKeyEventExtendedKey, 0);
        platform.keybd_event(virtualKey, kLockScanCode, kKeyEventExtendedKey | kKeyEventKeyUp, 0);
    }
}

}  // namespace

bool CapsLockOn(PlatformServices& platform) { return LockOn(platform, kVkCapital); }
bool NumLockOn(PlatformServices& platform) { return LockOn(platform, kVkNumLock); }
bool ScrollLockOn(PlatformServices& platform) { return LockOn(platform, kVkScroll); }

void ToggleCapsLock(PlatformServices& platform) { ToggleLock(platform, kVkCapital); }
void ToggleNumLock(PlatformServices& platform) { ToggleLock(platform, kVkNumLock); }
void ToggleScrollLock(PlatformServices& platform) { ToggleLock(platform, kVkScroll); }

void SendAndRestoreLocks(PlatformServices& platform, const std::string& text, bool wait) {
    const bool numBefore = NumLockOn(platform);
    const bool capsBefore = CapsLockOn(platform);
    const bool scrollBefore = ScrollLockOn(platform);
    platform.SendKeys(text, wait);
    // Each state is read again just before its own comparison, after any earlier toggle.
    if (NumLockOn(platform) != numBefore) ToggleNumLock(platform);
    if (CapsLockOn(platform) != capsBefore) ToggleCapsLock(platform);
    if (ScrollLockOn(platform) != scrollBefore) ToggleScrollLock(platform);
}

void SendKeysKeepLocks(PlatformServices& platform, const std::string& text, bool wait) {
    SendAndRestoreLocks(platform, text, wait);
}

}  // namespace talvenor
