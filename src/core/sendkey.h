// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

namespace talvenor {

// Windows' virtual-key codes of the three lock keys.
inline constexpr std::uint8_t kVkCapital = 0x14;
inline constexpr std::uint8_t kVkNumLock = 0x90;
inline constexpr std::uint8_t kVkScroll = 0x91;
// The scan code sent with every synthesised lock key press.
inline constexpr std::uint8_t kLockScanCode = 0x45;

bool CapsLockOn(PlatformServices& platform);
bool NumLockOn(PlatformServices& platform);
bool ScrollLockOn(PlatformServices& platform);

void ToggleCapsLock(PlatformServices& platform);
void ToggleNumLock(PlatformServices& platform);
void ToggleScrollLock(PlatformServices& platform);

// Sends `text` to the focused window, then toggles back each lock whose state the send changed.
void SendAndRestoreLocks(PlatformServices& platform, const std::string& text, bool wait);
// The one way the program sends keystrokes.
void SendKeysKeepLocks(PlatformServices& platform, const std::string& text, bool wait);

}  // namespace talvenor
