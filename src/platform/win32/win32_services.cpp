// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_services.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "form1.h"
#include "presets.h"
#include "version.h"
#include "win32_resources.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

constexpr wchar_t kMessageWindowClass[] = L"TalvenorServices";
constexpr wchar_t kCaption[] = L"" TALVENOR_NAME;

// A real window handle has 32 significant bits, sign-extended: values from 2^32 up, far below
// the sign-extended ones, are never real windows and can stand for windows still to come.
static_assert(sizeof(WindowHandle) == 8, "stand-in handles need 64-bit window handles");
constexpr WindowHandle kStandInBase = WindowHandle{1} << 32;
// How long a stop waits for the player's window to show, and for the focus to reach it.
constexpr ULONGLONG kWindowWaitMs = 3000;
constexpr ULONGLONG kFocusWaitMs = 1500;
constexpr DWORD kPollMs = 25;
// A conversion's console has ended: wParam is its process id.
constexpr UINT kConversionEndedMessage = WM_APP + 1;
// The notification icon goes once its balloon has gone, or after this long at the latest.
constexpr UINT_PTR kNotificationTimer = 1;
constexpr UINT kNotificationShownMs = 30000;

// Waits up to `milliseconds` for `object` (none when null), answering the messages other
// threads send meanwhile, so that a program activating its window is never kept waiting on us.
// Posted messages stay queued: no handler runs from here.
bool WaitAnsweringSentMessages(HANDLE object, DWORD milliseconds) {
    const DWORD result = MsgWaitForMultipleObjects(object != nullptr ? 1 : 0, &object, FALSE,
                                                   milliseconds, QS_SENDMESSAGE);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return object != nullptr && result == WAIT_OBJECT_0;
}

// The window of the process, waited for while the process runs without one yet; null when it
// ended or showed none in time.
HWND WaitForMainWindow(DWORD processId) {
    const KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) return nullptr;
    const ULONGLONG end = GetTickCount64() + kWindowWaitMs;
    for (;;) {
        if (const HWND found = MainWindowOf(processId)) return found;
        if (GetTickCount64() >= end || WaitAnsweringSentMessages(process.get(), kPollMs)) {
            return nullptr;
        }
    }
}

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

void Win32Platform::WatchConversion(DWORD processId, HANDLE process) {
    HANDLE own = nullptr;
    // A handle of its own: the one kept for IsRunning goes once the process is seen ended.
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &own, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                         FALSE, 0)) {
        return;
    }
    WatchedConversion conversion;
    conversion.process.reset(own);
    conversion.startedAt = GetTickCount64();
    conversion.notice = std::make_unique<EndedNotice>(EndedNotice{messageWindow_.get(), processId});
    const auto onEnded = [](PVOID context, BOOLEAN) {
        const auto* notice = static_cast<const EndedNotice*>(context);
        PostMessageW(notice->window, kConversionEndedMessage, notice->processId, 0);
    };
    if (!RegisterWaitForSingleObject(&conversion.wait, own, onEnded, conversion.notice.get(), INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        return;
    }
    // A process id comes back once its process has gone: an earlier watch of it is over.
    if (const auto earlier = watched_.find(processId); earlier != watched_.end()) {
        UnregisterWaitEx(earlier->second.wait, INVALID_HANDLE_VALUE);
    }
    watched_.insert_or_assign(processId, std::move(conversion));
}

void Win32Platform::ReportConversionEnd(DWORD processId) {
    const auto found = watched_.find(processId);
    if (found == watched_.end()) return;
    UnregisterWaitEx(found->second.wait, INVALID_HANDLE_VALUE);
    DWORD code = 0;
    GetExitCodeProcess(found->second.process.get(), &code);
    const double seconds = static_cast<double>(GetTickCount64() - found->second.startedAt) / 1000.0;
    watched_.erase(found);
    if (conversionEnded_) conversionEnded_(processId, static_cast<int>(code), seconds);
}

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
        MsgBox(FileRefusal(notifiedFile_, FileState::Missing));
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
        MsgBox(FolderShowFailureMessage(FolderOf(notifiedFile_, "\\/")));
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
    // « Non » is the default: Enter must never replace a file.
    return MessageBoxW(owner_, Widen(prompt).c_str(), kCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
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

bool Win32Platform::FileExists(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(Widen(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32Platform::FullPath(const std::string& name) {
    const std::wstring relative = Widen(name);
    // Asked with no room, it gives the room needed, its end included.
    DWORD length = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(relative.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return name;
    full.resize(length);
    // Windows names one file in any letter case.
    CharUpperBuffW(full.data(), length);
    return Narrow(full);
}

std::string Win32Platform::PathSeparators() { return "\\/"; }

FileState Win32Platform::CheckFile(const std::string& path) {
    const std::wstring name = Widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_ACCESS_DENIED ? FileState::Unreadable : FileState::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileState::NotAFile;
    const HANDLE opened = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return FileState::Unreadable;
    const KernelHandle file(opened);
    // Devices such as "CON" open too, but are no files.
    return GetFileType(file.get()) == FILE_TYPE_DISK ? FileState::ReadableFile : FileState::NotAFile;
}

std::string Win32Platform::ReadStart(const std::string& name, std::size_t count) {
    const HANDLE opened = CreateFileW(Widen(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    const KernelHandle file(opened);
    std::string bytes(count, '\0');
    std::size_t done = 0;
    DWORD got = 0;
    while (done < count && ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(count - done), &got, nullptr) &&
           got > 0) {
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

bool Win32Platform::SetCurrentFolder(const std::string& folder) {
    return SetCurrentDirectoryW(Widen(folder).c_str()) != FALSE;
}

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

HWND MainWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM into) {
            auto& wanted = *reinterpret_cast<Search*>(into);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != wanted.processId || !IsWindowVisible(window) ||
                GetWindow(window, GW_OWNER) != nullptr) {
                return TRUE;
            }
            // A console program's console may be reported as its window, but never gets its keys.
            wchar_t kind[32] = {};
            GetClassNameW(window, kind, 32);
            if (std::wstring_view(kind) == L"ConsoleWindowClass") return TRUE;
            wanted.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

WindowHandle Win32Platform::GetForegroundWindow() {
    if (const WindowHandle standIn = launched_.TakeStandIn()) return standIn;
    return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

bool Win32Platform::SetForegroundWindow(WindowHandle window) {
    focusRequested_ = nullptr;
    const auto process = static_cast<DWORD>(launched_.ProcessOf(window));
    // A stop that brings the player forward wins over the minimising.
    toMinimise_.erase(process);
    const HWND target = process == 0 ? reinterpret_cast<HWND>(window) : WaitForMainWindow(process);
    if (target == nullptr || !IsWindow(target)) return false;
    // Keys typed while the active window is minimised arrive as system keys: shown again first.
    if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
    if (!::SetForegroundWindow(target)) return false;
    focusRequested_ = target;
    return true;
}

bool Win32Platform::WaitForRequestedFocus() {
    const HWND target = std::exchange(focusRequested_, nullptr);
    if (target == nullptr) return false;
    const ULONGLONG end = GetTickCount64() + kFocusWaitMs;
    for (;;) {
        if (!IsWindow(target)) return false;
        if (::GetForegroundWindow() == target && !IsIconic(target)) return true;
        if (GetTickCount64() >= end) return false;
        WaitAnsweringSentMessages(nullptr, kPollMs);
    }
}

}  // namespace talvenor::win32
