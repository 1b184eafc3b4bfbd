// SPDX-License-Identifier: GPL-3.0-or-later
// Reads another program's windows for the end-to-end test, as an accessibility tool would:
//   window_probe texts TITLE      the texts of the window's child controls, one per line
//   window_probe names TITLE      the names a screen reader gives those controls, one per line
//   window_probe exstyle TITLE    the window's extended style, in hexadecimal
//   window_probe client TITLE     the size of the window's client area, "WIDTHxHEIGHT"
//   window_probe focus            the text of the control that has the keyboard focus
// Exit status 2 when no such window is found.
#include <windows.h>
// After windows.h, which it needs.
#include <oleacc.h>

#include <cstdio>
#include <string>

#include "win32_text.h"

using talvenor::win32::Narrow;

namespace {

// WM_GETTEXT rather than GetWindowText: only the message reaches a text box of another process.
std::wstring TextOf(HWND child) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        2000, &copied);
    text.resize(copied);
    return text;
}

BOOL CALLBACK PrintText(HWND child, LPARAM) {
    const std::wstring text = TextOf(child);
    if (!text.empty()) std::printf("%s\n", Narrow(text).c_str());
    return TRUE;
}

// The name of the control's accessible object, asked for across processes as a screen reader asks.
BOOL CALLBACK PrintName(HWND child, LPARAM) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(child, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible)))) {
        return TRUE;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (accessible->get_accName(self, &name) == S_OK && name != nullptr) {
        std::printf("%s\n", Narrow(name).c_str());
    }
    SysFreeString(name);
    accessible->Release();
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(0, &info) || info.hwndFocus == nullptr) return 2;
        std::printf("%s\n", Narrow(TextOf(info.hwndFocus)).c_str());
        return 0;
    }
    if (argc != 3) return 1;
    const std::wstring command = argv[1];
    const HWND window = FindWindowW(nullptr, argv[2]);
    if (window == nullptr) return 2;
    if (command == L"texts") {
        EnumChildWindows(window, PrintText, 0);
    } else if (command == L"names") {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EnumChildWindows(window, PrintName, 0);
        CoUninitialize();
    } else if (command == L"exstyle") {
        std::printf("%08lx\n", static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    } else if (command == L"client") {
        RECT client;
        GetClientRect(window, &client);
        std::printf("%ldx%ld\n", client.right, client.bottom);
    } else {
        return 1;
    }
    return 0;
}
