// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace talvenor {

// A native window handle as the program stores it: 0 means none.
using WindowHandle = std::uintptr_t;

// A process that Shell started, as the program names it when it asks about it later; 0 means
// that nothing was started.
using ProcessHandle = std::uintptr_t;
// Started, but the system gives nothing to follow it by (a page handed to the desktop's browser).
inline constexpr ProcessHandle kUnfollowedProcess = ~ProcessHandle{0};

// How a started program's window opens, as the program asks for it.
enum class WindowStyle : int {
    NormalFocus = 1,     // the conversion: a visible window that takes the focus
    MinimisedFocus = 2,  // the player, the mixer, the browser
};

// What a launch is for: each backend starts it the way its system does, never guessing it from
// a program's name.
enum class LaunchPurpose {
    Conversion,  // a tool shown in a console (a terminal on Linux) and followed to its end
    Player,      // the player, whose window a stop brings forward for its keys
    Mixer,       // the system's volume mixer
    WebSite,     // the program's web site, in the desktop's browser
};

// Only the player starts minimised: the mixer and the browser stand in for windows that show at
// once, and a page opened minimised would look as if nothing had happened.
constexpr bool StartsMinimised(LaunchPurpose purpose, WindowStyle style) {
    return purpose == LaunchPurpose::Player && style == WindowStyle::MinimisedFocus;
}

// How long a stop waits for the player's window to show, and then for the focus to reach it
// before its keys are dropped.
inline constexpr int kStopWindowWaitMs = 3000;
inline constexpr int kStopFocusWaitMs = 1500;
// How long a player started minimised may take to show its window (a cold start, a slow disk,
// a loaded machine) and still be minimised as it shows.
inline constexpr int kPlayerShowWaitMs = 30000;

// A command line in two forms: the text the program composes, and the argument vector that a
// process actually receives. The vector is built from the same pieces, so no file name is ever
// split or interpreted by a shell.
struct CommandLine {
    std::string text;                    // the whole line, exactly as composed
    std::string toolDir;                 // looked in first for `program`; empty: search only the PATH
    std::string program;                 // the program's name, no directory ("ffmpeg", "sndvol32")
    std::vector<std::string> arguments;  // one element per argument, program name excluded
    std::string description;             // how a message names the program ("ffmpeg", "le navigateur web")
    LaunchPurpose purpose = LaunchPurpose::Conversion;
    // A conversion's file, as the user will find it, and the temporary name the tool writes it
    // under: only a conversion that ended well gives it its name (the console renames it), so a
    // file it replaces stays whole until then. Relative to the working directory, or absolute.
    std::string output{};
    std::string partialOutput{};

    bool operator==(const CommandLine&) const = default;
};

// What a path offered to the program names.
enum class FileState {
    ReadableFile,  // a regular file the program may read
    Missing,       // nothing by that name
    NotAFile,      // a folder, a device, a pipe...
    Unreadable,    // a regular file that this user may not read
};

// What the box about a tool that cannot be started advises.
enum class ToolAdvice {
    InstallOnSystem,  // the system's package manager installs the tools with Talvenor
    Winget,           // the .exe beside Talvenor, or Windows' package manager
};

// Windows' virtual-key table: one byte per virtual-key code.
using KeyStateTable = std::array<std::uint8_t, 256>;

// GetVersionExA's platform identifiers.
inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

// SetWindowPos and SendMessage arguments used for the topmost band and the move.
inline constexpr std::intptr_t kHwndTopmost = -1;
inline constexpr std::uint32_t kSwpNoSize = 0x1;
inline constexpr std::uint32_t kSwpNoMove = 0x2;
inline constexpr std::uint32_t kSwpNoActivate = 0x10;
inline constexpr std::uint32_t kSwpShowWindow = 0x40;
inline constexpr std::uint32_t kWmNcLButtonDown = 0xA1;
inline constexpr std::uintptr_t kHtCaption = 2;

// keybd_event flags.
inline constexpr std::uint32_t kKeyEventExtendedKey = 0x1;
inline constexpr std::uint32_t kKeyEventKeyUp = 0x2;

// What the program needs of the operating system and of its host runtime. Every effect outside
// the window goes through here; each backend says how its system does it.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // Starts `command` without waiting for it; the process inherits the working directory.
    // Returns the started process, or 0 when the program could not be started.
    virtual ProcessHandle Shell(const CommandLine& command, WindowStyle style) = 0;
    // Whether a process that Shell returned is still running (never for kUnfollowedProcess).
    virtual bool IsRunning(ProcessHandle process) = 0;
    // The directory of the running executable, without a trailing separator.
    virtual std::string AppPath() = 0;
    // A modal box captioned with the program's title, one OK button, no icon.
    virtual void MsgBox(const std::string& prompt) = 0;
    // A modal question with "Oui" and "Non"; true for "Oui".
    virtual bool AskYesNo(const std::string& prompt) = 0;
    // Sends keys to the window that the running handler brings forward with SetForegroundWindow,
    // once it has the keyboard focus; when none comes forward within a bounded wait, no key is
    // typed anywhere. With wait false the keys are delivered after the running handler returns.
    virtual void SendKeys(const std::string& keys, bool wait) = 0;
    // Processes the events waiting for the user-interface thread.
    virtual void DoEvents() = 0;
    // Ends the program; no handler runs after it.
    virtual void End() = 0;
    // Whether `name`, relative to the working directory, names an existing file.
    virtual bool FileExists(const std::string& name) = 0;
    // The first `count` bytes of the file `name`, relative to the working directory (fewer when
    // the file is shorter); empty when it cannot be read.
    virtual std::string ReadStart(const std::string& name, std::size_t count) = 0;
    // The full path that `name`, relative to the working directory, stands for: the same file
    // reached from two folders gives the same path.
    virtual std::string FullPath(const std::string& name) = 0;
    // The characters that separate folders in the paths the file dialog returns.
    virtual std::string PathSeparators() = 0;
    // How a user of this system gets a tool that cannot be started.
    virtual ToolAdvice MissingToolAdvice() = 0;
    // What `path` names: a file that can be read, or why it cannot be chosen.
    virtual FileState CheckFile(const std::string& path) = 0;
    // Makes `folder` the working directory that started programs inherit; false when it cannot.
    virtual bool SetCurrentFolder(const std::string& folder) = 0;
    // Whether a new file can be written in `folder` (false on read-only media, or without the
    // right to write there).
    virtual bool CanWriteIn(const std::string& folder) = 0;
    // The user's own videos folder, made when it does not exist yet; empty when there is none.
    virtual std::string VideosFolder() = 0;

    virtual void SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y,
                              int width, int height, std::uint32_t flags) = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    virtual WindowHandle GetForegroundWindow() = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;

    virtual void GetKeyboardState(KeyStateTable& table) = 0;
    virtual void SetKeyboardState(const KeyStateTable& table) = 0;
    virtual void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                             std::uintptr_t extraInfo) = 0;
    // GetVersionExA's dwPlatformId; 0 when the query fails.
    virtual std::uint32_t PlatformId() = 0;

    // Tells `ended`, on the window's thread, of the end of each conversion that Shell started: its
    // process, its exit code and how many seconds it ran.
    using ConversionEndedHandler = std::function<void(ProcessHandle, int exitCode, double seconds)>;
    virtual void OnConversionEnded(ConversionEndedHandler ended) = 0;

    // A desktop notification; nothing where the desktop can show none. A click on it shows
    // `file`, selected in its folder, in the desktop's file manager.
    virtual void Notify(const std::string& title, const std::string& text, const std::string& file) = 0;
};

// The standard open-file dialog, used the way the window's dialog component is used: set the
// properties, show it, read the chosen path back.
class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;

    // A filter in the "Description|pattern" form, such as "Video|*.flv;".
    virtual void SetFilter(const std::string& filter) = 0;
    virtual void SetDialogTitle(const std::string& title) = 0;
    virtual void SetFileName(const std::string& fileName) = 0;
    // Modal; opens in the working directory.
    virtual void ShowOpen() = 0;
    // The full path of the chosen file, or what SetFileName left when the user cancelled.
    virtual std::string FileName() = 0;
};

}  // namespace talvenor
