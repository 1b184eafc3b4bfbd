// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"


namespace talvenor::win32 {

void Win32Platform::SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y,
                                 int width, int height, std::uint32_t flags) {
    ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insertAfter), x, y, width,
                   height, flags);
}

void Win32Platform::ReleaseCapture() { ::ReleaseCapture(); }

void Win32Platform::SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    ::SendMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace talvenor::win32
