#include "win32_services.h"

#include "version.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

constexpr wchar_t kMessageWindowClass[] = L"TalvenorServices";
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

Win32Platform::Win32Platform(HINSTANCE instance) {
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
    if (message == WM_APP && self != nullptr) {
        self->SendPendingKeys();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::string Win32Platform::AppPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.resize(slash);
    return Narrow(path);
}

void Win32Platform::MsgBox(const std::string& prompt) {
    MessageBoxW(owner_, Widen(prompt).c_str(), kCaption, MB_OK);
}

bool Win32Platform::AskYesNo(const std::string& prompt) {
    questionHook = SetWindowsHookExW(WH_CBT, NameQuestionButtons, nullptr, GetCurrentThreadId());
    const Hook hook(questionHook);
    return MessageBoxW(owner_, Widen(prompt).c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
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

void Win32Platform::End() { ExitProcess(0); }

bool Win32Platform::FileExists(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(Widen(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32Platform::PathSeparators() { return "\\/"; }

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

WindowHandle Win32Platform::GetForegroundWindow() {
    return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

bool Win32Platform::SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

}  // namespace talvenor::win32
