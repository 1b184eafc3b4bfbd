// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the player, a console program as ffplay is: opens a visible window titled with
// its first argument, shown as it was asked to be shown, and quits on the key "q" as the player
// does. When TALVENOR_PLAYER_REPORT names a file, it appends to it, as UTF-8 lines: its working
// directory, then one argument per line, "console window shown" if it was given a visible
// console, then "quit" once the key came, "quit while minimised" if its window was minimised then.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "win32_text.h"

using talvenor::win32::Narrow;

namespace {

constexpr wchar_t kWindowClass[] = L"TalvenorFakePlayer";

// One write per report, so that a reader sees whole lines only.
void Report(const std::string& lines) {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableW(L"TALVENOR_PLAYER_REPORT", path, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4) return;
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    CloseHandle(file);
}

void Quit(HWND window) {
    // Windows makes keys for a minimised window system keys, Wine does not: the report tells.
    Report(IsIconic(window) ? "quit while minimised\n" : "quit\n");
    DestroyWindow(window);
}

LRESULT CALLBACK PlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CHAR:
            if (wParam == L'q') Quit(window);
            return 0;
        case WM_KEYDOWN:
            if (wParam == 'Q') Quit(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int wmain() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring directory(MAX_PATH * 4, L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    std::string report = Narrow(directory) + "\n";
    for (int i = 1; i < count; ++i) report += Narrow(arguments[i]) + "\n";
    const HWND console = GetConsoleWindow();
    if (console != nullptr && IsWindowVisible(console)) report += "console window shown\n";
    const std::wstring title = count > 1 ? arguments[1] : L"fake player";
    LocalFree(arguments);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PlayerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    // As its starter asked.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    ShowWindow(window, (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL);
    // Reported once the window shows, so that a reader of the report may look for it at once.
    Report(report);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
