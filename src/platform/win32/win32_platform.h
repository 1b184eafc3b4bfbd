// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Windows backend, one file per area:
//   win32_platform.cpp       the services' message window, the event loop, the end of the program
//   win32_launch.cpp         starting programs and following them (Shell), the PATH they search
//   win32_console.cpp        the conversion console: the console program itself, and the watch
//                            that tells the window how a conversion ended
//   win32_command_line.cpp   Windows command lines quoted from argument vectors
//   win32_player.cpp         the player's window: minimised as it shows, brought forward by a stop
//   win32_keys.cpp           keys and lock states (SendKeys, keybd_event)
//   win32_files.cpp          files and folders (CheckFile, FullPath, the working directory)
//   win32_window_move.cpp    the topmost band and the drag that moves the window
//   win32_notifications.cpp  the notification icon's balloon and the file shown on a click
//   win32_message_boxes.cpp  the message box and the question
//   win32_file_dialog.cpp    the open-file dialog
//   win32_window.cpp         the window built from the stored design, its controls' state
//   win32_window_paint.cpp   the window's surface, the graphical buttons, the controls' colours
//   win32_window_input.cpp   the window's mouse, keys and drops, turned into the form's handlers
//   win32_accessible.cpp     what screen readers are told of the clickable label
//   win32_pictures.cpp       the pictures and the pointer, from the resources
//   win32_text.cpp           UTF-8 to UTF-16 and back

#include "win32_api.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "launched_windows.h"
#include "platform.h"
#include "win32_handles.h"

namespace talvenor::win32 {

// The notification icon's callback message and identifier, as the shell sends them back.
inline constexpr UINT kNotificationIconMessage = WM_APP + 2;
inline constexpr UINT kNotificationIconId = 1;
// The message window's timer that looks for players' windows to minimise.
inline constexpr UINT_PTR kMinimiseTimer = 2;
// The message window's timer that takes the notification icon away.
inline constexpr UINT_PTR kNotificationTimer = 1;
// A conversion's console has ended: wParam is its process id.
inline constexpr UINT kConversionEndedMessage = WM_APP + 1;

// The program's services done by Windows itself. Construct and use it on the window's thread.
class Win32Platform : public PlatformServices {
public:
    explicit Win32Platform(HINSTANCE instance);
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // The window the message boxes belong to.
    void SetOwner(HWND owner) { owner_ = owner; }
    // The program that shows a conversion in its console: Talvenor.exe itself unless set.
    void SetConsoleProgram(std::wstring program) { consoleProgram_ = std::move(program); }
    // Lets the window see each message first (Tab between controls) while DoEvents pumps.
    void SetMessageFilter(std::function<bool(MSG&)> filter) { filter_ = std::move(filter); }

    ProcessHandle Shell(const CommandLine& command, WindowStyle style) override;
    bool IsRunning(ProcessHandle process) override;
    std::string AppPath() override;
    void MsgBox(const std::string& prompt) override;
    bool AskYesNo(const std::string& prompt) override;
    void SendKeys(const std::string& keys, bool wait) override;
    void DoEvents() override;
    void End() override;
    bool FileExists(const std::string& name) override;
    std::string ReadStart(const std::string& name, std::size_t count) override;
    std::string FullPath(const std::string& name) override;
    std::string PathSeparators() override;
    ToolAdvice MissingToolAdvice() override { return ToolAdvice::Winget; }
    FileState CheckFile(const std::string& path) override;
    bool SetCurrentFolder(const std::string& folder) override;
    bool CanWriteIn(const std::string& folder) override;
    std::string VideosFolder() override;

    void SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int width,
                      int height, std::uint32_t flags) override;
    void ReleaseCapture() override;
    void SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    WindowHandle GetForegroundWindow() override;
    bool SetForegroundWindow(WindowHandle window) override;

    void GetKeyboardState(KeyStateTable& table) override;
    void SetKeyboardState(const KeyStateTable& table) override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    std::uint32_t PlatformId() override;
    void OnConversionEnded(ConversionEndedHandler ended) override { conversionEnded_ = std::move(ended); }
    void Notify(const std::string& title, const std::string& text, const std::string& file) override;

private:
    static LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendPendingKeys();
    bool WaitForRequestedFocus();
    std::wstring ConsoleProgram() const;
    // Asks to be told, without polling, when the conversion's console `process` ends.
    void WatchConversion(DWORD processId, HANDLE process);
    void ReportConversionEnd(DWORD processId);
    void RemoveNotificationIcon();
    // Opens the folder of the file the notification named, with the file selected.
    void ShowNotifiedFile();
    // Minimises the player's window once it shows, whatever the player did with its start style.
    void MinimiseWhenShown(DWORD processId);
    void MinimiseShownPlayers();

    // What the system's wait thread needs to tell the window thread that a conversion ended.
    struct EndedNotice {
        HWND window;
        DWORD processId;
    };
    struct WatchedConversion {
        KernelHandle process;
        HANDLE wait = nullptr;
        ULONGLONG startedAt = 0;
        std::unique_ptr<EndedNotice> notice;
    };

    HWND owner_ = nullptr;
    std::function<bool(MSG&)> filter_;
    // Receives the request to type the keys once the running handler has returned.
    Window messageWindow_;
    std::deque<std::wstring> pendingKeys_;
    LaunchedWindows launched_;
    // The processes started, by their id, held open while they may still run.
    std::map<DWORD, KernelHandle> started_;
    // The window brought forward last: pending keys wait for it to have the focus.
    std::wstring consoleProgram_;
    HINSTANCE instance_;
    ConversionEndedHandler conversionEnded_;
    std::map<DWORD, WatchedConversion> watched_;
    bool notificationShown_ = false;
    std::string notifiedFile_;
    // The players whose window is minimised as it shows, with when to give up waiting for it.
    std::map<DWORD, ULONGLONG> toMinimise_;
};

// Whether a process (or an event) has ended (been set).
inline bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }

// The visible, unowned top-level window of process `processId`, consoles left out, or null.
HWND MainWindowOf(DWORD processId);

// Told by WM_SETTINGCHANGE that `area` changed: after an "Environment" change, the programs started
// from now on inherit the folders added to the user's and the system's PATH meanwhile, as they
// would from a program started afresh.
void TakeEnvironmentChange(const wchar_t* area);

// The show command that the window of `command`, started with `style`, gets.
int ShowCommandFor(const CommandLine& command, WindowStyle style);

// The key presses and releases that type `text` in the current keyboard layout: each character
// as its key with Shift, Ctrl or Alt as the layout needs, or as the character itself where no
// key of the layout produces it.
std::vector<INPUT> KeyInputsFor(std::wstring_view text);

}  // namespace talvenor::win32
