// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

INPUT KeyInput(WORD virtualKey, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT CharacterInput(wchar_t character, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = character;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
    return input;
}

// VkKeyScanW's shift state: bit 1 Shift, bit 2 Ctrl, bit 4 Alt.
constexpr struct {
    BYTE bit;
    WORD virtualKey;
} kModifiers[] = {{1, VK_SHIFT}, {2, VK_CONTROL}, {4, VK_MENU}};

}  // namespace

std::vector<INPUT> KeyInputsFor(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (const wchar_t character : text) {
        const SHORT scan = VkKeyScanW(character);
        if (scan == -1) {
            inputs.push_back(CharacterInput(character, false));
            inputs.push_back(CharacterInput(character, true));
            continue;
        }
        const WORD virtualKey = LOBYTE(scan);
        const BYTE shiftState = HIBYTE(scan);
        for (const auto& modifier : kModifiers) {
            if (shiftState & modifier.bit) inputs.push_back(KeyInput(modifier.virtualKey, false));
        }
        inputs.push_back(KeyInput(virtualKey, false));
        inputs.push_back(KeyInput(virtualKey, true));
        for (const auto& modifier : kModifiers) {
            if (shiftState & modifier.bit) inputs.push_back(KeyInput(modifier.virtualKey, true));
        }
    }
    return inputs;
}

void Win32Platform::SendKeys(const std::string& keys, bool wait) {
    pendingKeys_.push_back(Widen(keys));
    if (wait) {
        SendPendingKeys();
        DoEvents();
        return;
    }
    // Typed once the running handler has returned, as a key typed then would be.
    PostMessageW(messageWindow_.get(), WM_APP, 0, 0);
}

void Win32Platform::SendPendingKeys() {
    if (pendingKeys_.empty()) return;
    std::vector<INPUT> inputs = KeyInputsFor(pendingKeys_.front());
    pendingKeys_.pop_front();
    // Only the player brought forward by a stop gets the keys: when it did not come forward in
    // time they are dropped, never typed into the window that happens to have the focus.
    if (!WaitForRequestedFocus()) return;
    if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Win32Platform::GetKeyboardState(KeyStateTable& table) { ::GetKeyboardState(table.data()); }

void Win32Platform::SetKeyboardState(const KeyStateTable& table) {
    KeyStateTable copy = table;
    ::SetKeyboardState(copy.data());
}

void Win32Platform::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                                std::uintptr_t extraInfo) {
    ::keybd_event(virtualKey, scanCode, flags, extraInfo);
}

std::uint32_t Win32Platform::PlatformId() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return version.dwPlatformId;
}

}  // namespace talvenor::win32
