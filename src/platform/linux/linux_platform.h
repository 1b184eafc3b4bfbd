// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Linux backend, one file per area:
//   linux_platform.cpp       the services' construction, the event loop, the end of the program
//   linux_launch.cpp         starting programs from argument vectors and following them (Shell)
//   linux_console.cpp        the conversion console: the terminal, the console waiting on standby,
//                            the report of how a conversion ended
//   linux_player.cpp         the player's window: minimised as it shows, brought forward by a stop
//   linux_keys.cpp           keys and lock states (SendKeys, keybd_event)
//   linux_files.cpp          files and folders (CheckFile, FullPath, the working directory)
//   linux_window_move.cpp    the topmost band and the drag that moves the window
//   linux_notifications.cpp  the desktop's notifications and the file shown on a click
//   linux_spawn.c            what every program we start gets (shared with the console program)
//   qt_message_boxes.cpp     the message box and the question
//   qt_file_dialog.cpp       the open-file dialog
//   qt_window.cpp            the window built from the stored design, its controls' state
//   qt_window_paint.cpp      the window's and the buttons' painting
//   qt_window_input.cpp      the window's mouse, keys and drops, turned into the form's handlers
//   x11_keys.cpp             keys and locks through XTEST and XKB
//   x11_windows.cpp          other windows: activation, focus, minimising, the topmost band
//   console/                 the conversion console program (plain C)

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>

#include "launched_windows.h"
#include "linux_console.h"
#include "linux_launch.h"
#include "platform.h"
#include "x11_desktop.h"

class QObject;
class QWidget;

namespace talvenor::linux_backend {

class DesktopNotifications;


// The platform services on Linux: processes started from argument vectors, Qt for the boxes
// and the event loop, X11 for keys, locks, focus and stacking.
class LinuxPlatform : public PlatformServices {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    // The program's window: parent of the boxes, the window that moves.
    void AttachWindow(QWidget* window) { window_ = window; }

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
    std::string PathSeparators() override { return "/"; }
    ToolAdvice MissingToolAdvice() override { return ToolAdvice::InstallOnSystem; }
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
    std::uint32_t PlatformId() override { return kPlatformWin32Nt; }
    void Notify(const std::string& title, const std::string& text, const std::string& file) override;

    void OnConversionEnded(ConversionEndedHandler ended) override { conversionEnded_ = std::move(ended); }

    // Has a conversion console wait in the background, so that "Lancer" starts the tool at once.
    void PrepareConversions();

    // The argument vector that Shell would start for `command`; empty when nothing can run it.
    std::vector<std::string> LaunchVector(const CommandLine& command) const;

    // What the program that Shell starts for `command` as `argv` has in its environment beyond ours.
    EnvironmentChanges LaunchEnvironment(const CommandLine& command, const std::vector<std::string>& argv) const;

    X11Desktop& Desktop() { return desktop_; }

private:
    // A handle that stands for the window a launched process has yet to open.
    WindowHandle Resolve(WindowHandle window);
    void DeliverKeys(const std::string& keys);
    // Minimises the window `pid` opens, as a program started minimised would show.
    void MinimiseWhenShown(pid_t pid);
    // The conversion console installed with the program; empty when there is none.
    std::string Console() const;
    // Has the conversion console `argv` (a command line of InConsole) run its tool, reporting how it
    // ends; -1 when it could not be started.
    pid_t StartConsole(const std::vector<std::string>& argv, const EnvironmentChanges& environment);
    // Opens the folder of `file`, shown by a notification, where no file manager showed it.
    void OpenFolderOf(const std::string& file);
    // Reads, without waiting, the console's report on `fd` of how conversion `pid` ended.
    void WatchReport(pid_t pid, int fd);

    X11Desktop desktop_;
    QWidget* window_ = nullptr;
    LaunchedWindows launched_;
    StandbyConsole standby_;
    // The processes started, each followed through a descriptor of its own while it runs.
    std::map<pid_t, ProcessWatch> started_;
    ConversionEndedHandler conversionEnded_;
    // Keeps the X server time of the user's latest action for the desktop's requests.
    std::unique_ptr<QObject> userTime_;
    std::unique_ptr<DesktopNotifications> notifications_;
};

}  // namespace talvenor::linux_backend
