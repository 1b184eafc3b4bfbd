// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include "version.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

constexpr wchar_t kCaption[] = L"" TALVENOR_NAME;

// Gives the buttons of the question their French names whatever the system's language.
thread_local HHOOK questionHook = nullptr;

LRESULT CALLBACK NameQuestionButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDYES, L"&Oui");
        SetDlgItemTextW(box, IDNO, L"&Non");
    }
    return CallNextHookEx(questionHook, code, wParam, lParam);
}

}  // namespace

void Win32Platform::MsgBox(const std::string& prompt) {
    MessageBoxW(owner_, Widen(prompt).c_str(), kCaption, MB_OK);
}

bool Win32Platform::AskYesNo(const std::string& prompt) {
    questionHook = SetWindowsHookExW(WH_CBT, NameQuestionButtons, nullptr, GetCurrentThreadId());
    const Hook hook(questionHook);
    // « Non » is the default: Enter must never replace a file.
    return MessageBoxW(owner_, Widen(prompt).c_str(), kCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace talvenor::win32
