#include "win32_api.h"

#include <commctrl.h>
#include <objbase.h>

#include "form1.h"
#include "win32_console.h"
#include "win32_dialog.h"
#include "win32_pictures.h"
#include "win32_services.h"
#include "win32_window.h"

using namespace talvenor;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Started by a conversion to show it: a console, no window.
    if (const auto toolLine = win32::ToolLineOf(GetCommandLineW())) return win32::RunConversionConsole(*toolLine);

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

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
