// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_api.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "form1.h"
#include "start_arguments.h"
#include "version.h"
#include "win32_console.h"
#include "win32_file_dialog.h"
#include "win32_pictures.h"
#include "win32_platform.h"
#include "win32_text.h"
#include "win32_window.h"

using namespace talvenor;

namespace {

// The arguments after the program's name, as "Ouvrir avec", a drop on the icon or "Envoyer vers"
// pass them.
std::vector<std::string> ProgramArguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words != nullptr && i < count; ++i) arguments.push_back(win32::Narrow(words[i]));
    LocalFree(words);
    return arguments;
}

void ShowText(const std::string& text) {
    MessageBoxW(nullptr, win32::Widen(text).c_str(), L"" TALVENOR_NAME, MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Started by a conversion to show it: a console, no window.
    if (const auto request = win32::ConsoleRequestOf(GetCommandLineW())) return win32::RunConversionConsole(*request);

    const StartRequest request = ReadStartArguments(ProgramArguments());
    switch (request.action) {
        case StartRequest::Action::PrintVersion: ShowText(TALVENOR_NAME " " TALVENOR_VERSION_TEXT); return 0;
        case StartRequest::Action::PrintHelp: ShowText(UsageText("Talvenor.exe")); return 0;
        case StartRequest::Action::Refuse:
            ShowText(RefusalText("Talvenor.exe", request.refused) + "\n" + UsageText("Talvenor.exe"));
            return 2;
        case StartRequest::Action::OpenWindow: break;
    }
    // The dialog's folder view and the picture codecs are COM objects.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&commonControls);

    win32::PictureSet pictures(instance);
    win32::Win32Platform platform(instance);
    win32::Win32OpenFileDialog dialog;
    win32::Win32Form window(instance, pictures);
    Form1 form(window, dialog, platform);

    window.Attach(form);
    platform.SetOwner(window.Handle());
    platform.SetMessageFilter([&window](MSG& message) { return window.PreTranslateMessage(message); });
    dialog.SetOwner(window.Handle());
    window.LoadAndShow();
    // Once the window shows, so that a box about the file stands over it.
    form.OpenFiles(request.files);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
