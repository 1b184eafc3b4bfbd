// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include <utility>


namespace talvenor::win32 {

namespace {

constexpr DWORD kPollMs = 25;
constexpr UINT kMinimisePollMs = 25;

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
    const ULONGLONG end = GetTickCount64() + kStopWindowWaitMs;
    for (;;) {
        if (const HWND found = MainWindowOf(processId)) return found;
        if (GetTickCount64() >= end || WaitAnsweringSentMessages(process.get(), kPollMs)) {
            return nullptr;
        }
    }
}

}  // namespace

void Win32Platform::MinimiseWhenShown(DWORD processId) {
    launched_.MinimiseWhenShown(processId);
    toMinimise_.insert_or_assign(processId, GetTickCount64() + kPlayerShowWaitMs);
    SetTimer(messageWindow_.get(), kMinimiseTimer, kMinimisePollMs, nullptr);
}

void Win32Platform::MinimiseShownPlayers() {
    const ULONGLONG now = GetTickCount64();
    std::erase_if(toMinimise_, [&](const auto& entry) {
        const auto found = started_.find(entry.first);
        const bool wanted = launched_.StillToMinimise(entry.first) && found != started_.end() &&
                            !Ended(found->second.get()) && now < entry.second;
        const HWND window = wanted ? MainWindowOf(entry.first) : nullptr;
        if (wanted && window == nullptr) return false;
        // As the start style asked: minimised, keeping the focus.
        if (window != nullptr && !IsIconic(window)) ShowWindowAsync(window, SW_SHOWMINIMIZED);
        launched_.MinimisingDone(entry.first);
        return true;
    });
    if (toMinimise_.empty()) KillTimer(messageWindow_.get(), kMinimiseTimer);
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
    const auto process = static_cast<DWORD>(launched_.BringForward(window));
    const HWND target = process == 0 ? reinterpret_cast<HWND>(window) : WaitForMainWindow(process);
    if (target == nullptr || !IsWindow(target)) return false;
    // Keys typed while the active window is minimised arrive as system keys: shown again first.
    if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
    if (!::SetForegroundWindow(target)) return false;
    launched_.FocusRequested(reinterpret_cast<WindowHandle>(target));
    return true;
}

bool Win32Platform::WaitForRequestedFocus() {
    const auto target = reinterpret_cast<HWND>(launched_.TakeKeyTarget());
    if (target == nullptr) return false;
    const ULONGLONG end = GetTickCount64() + kStopFocusWaitMs;
    for (;;) {
        if (!IsWindow(target)) return false;
        if (::GetForegroundWindow() == target && !IsIconic(target)) return true;
        if (GetTickCount64() >= end) return false;
        WaitAnsweringSentMessages(nullptr, kPollMs);
    }
}

}  // namespace talvenor::win32
