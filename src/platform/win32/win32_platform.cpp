// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include <shellapi.h>

namespace talvenor::win32 {

namespace {

constexpr wchar_t kMessageWindowClass[] = L"TalvenorServices";

// A real window handle has 32 significant bits, sign-extended: values from 2^32 up, far below
// the sign-extended ones, are never real windows and can stand for windows still to come.
static_assert(sizeof(WindowHandle) == 8, "stand-in handles need 64-bit window handles");
constexpr WindowHandle kStandInBase = WindowHandle{1} << 32;

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : launched_(kStandInBase), instance_(instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MessageWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kMessageWindowClass;
    RegisterClassW(&windowClass);
    messageWindow_.reset(CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, instance, this));
}

LRESULT CALLBACK Win32Platform::MessageWindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_APP: self->SendPendingKeys(); return 0;
        case kConversionEndedMessage: self->ReportConversionEnd(static_cast<DWORD>(wParam)); return 0;
        case kNotificationIconMessage:
            if (lParam == NIN_BALLOONUSERCLICK) self->ShowNotifiedFile();
            // The balloon has gone, by itself or clicked: its icon has nothing more to say.
            if (lParam == NIN_BALLOONTIMEOUT || lParam == NIN_BALLOONUSERCLICK) self->RemoveNotificationIcon();
            return 0;
        case WM_TIMER:
            if (wParam == kNotificationTimer) self->RemoveNotificationIcon();
            if (wParam == kMinimiseTimer) self->MinimiseShownPlayers();
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

Win32Platform::~Win32Platform() {
    // Waits still pending would post to a window that is going.
    for (auto& [processId, conversion] : watched_) UnregisterWaitEx(conversion.wait, INVALID_HANDLE_VALUE);
    RemoveNotificationIcon();
}

void Win32Platform::DoEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the main loop, which ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (filter_ && filter_(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Win32Platform::End() {
    // No destructor runs from here: an icon left behind would stay in the notification area.
    RemoveNotificationIcon();
    ExitProcess(0);
}

}  // namespace talvenor::win32
