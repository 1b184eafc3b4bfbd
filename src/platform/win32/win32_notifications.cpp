// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "form1.h"
#include "presets.h"
#include "version.h"
#include "win32_resources.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// The notification icon goes once its balloon has gone, or after this long at the latest.
constexpr UINT kNotificationShownMs = 30000;

}  // namespace

void Win32Platform::Notify(const std::string& title, const std::string& text, const std::string& file) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = messageWindow_.get();
    icon.uID = kNotificationIconId;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO;
    icon.uCallbackMessage = kNotificationIconMessage;
    icon.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TALVENOR), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    // Cut to the shell's fields, never in the middle of a character.
    const auto copy = [](const std::string& from, wchar_t* to, std::size_t room) {
        std::wstring wide = Widen(from);
        if (wide.size() >= room) {
            wide.resize(room - 1);
            if (IS_HIGH_SURROGATE(wide.back())) wide.pop_back();
        }
        std::copy(wide.begin(), wide.end(), to);
        to[wide.size()] = L'\0';
    };
    copy(TALVENOR_NAME, icon.szTip, std::size(icon.szTip));
    copy(title, icon.szInfoTitle, std::size(icon.szInfoTitle));
    copy(text, icon.szInfo, std::size(icon.szInfo));
    icon.dwInfoFlags = NIIF_INFO;
    notifiedFile_ = file;
    // One icon at a time: a second notification replaces the first's balloon.
    if (notificationShown_ ? Shell_NotifyIconW(NIM_MODIFY, &icon) : Shell_NotifyIconW(NIM_ADD, &icon)) {
        notificationShown_ = true;
        SetTimer(messageWindow_.get(), kNotificationTimer, kNotificationShownMs, nullptr);
    }
}

void Win32Platform::ShowNotifiedFile() {
    const std::wstring file = Widen(notifiedFile_);
    // A full path with no child items: Explorer opens its folder with the file selected.
    PIDLIST_ABSOLUTE item = ILCreateFromPathW(file.c_str());
    if (item == nullptr) {
        MsgBox(NotifiedFileFailureMessage(notifiedFile_, true, "\\/"));
        return;
    }
    const HRESULT shown = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ILFree(item);
    if (SUCCEEDED(shown)) return;
    // Where the shell offers no such service, Explorer is asked by its command line: the system's
    // own, never one that the working directory (the video's folder) might hold.
    std::wstring explorer(MAX_PATH, L'\0');
    explorer.resize(GetWindowsDirectoryW(explorer.data(), MAX_PATH));
    explorer += L"\\explorer.exe";
    const std::wstring select = L"/select,\"" + file + L"\"";
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", explorer.c_str(), select.c_str(), nullptr, SW_SHOWNORMAL)) <= 32) {
        MsgBox(NotifiedFileFailureMessage(notifiedFile_, false, "\\/"));
    }
}

void Win32Platform::RemoveNotificationIcon() {
    if (!notificationShown_) return;
    KillTimer(messageWindow_.get(), kNotificationTimer);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = messageWindow_.get();
    icon.uID = kNotificationIconId;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    notificationShown_ = false;
}

}  // namespace talvenor::win32
