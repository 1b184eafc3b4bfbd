// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace talvenor::e2e {

namespace fs = std::filesystem;

struct Output {
    int status = -1;
    std::string text;  // standard output
    std::string errors;
};

// Runs a program to its end from an argument vector and returns what it printed.
Output RunProgram(const std::vector<std::string>& argv, const std::string& input = {});
// Starts a program in the background; `environment` entries are added to ours.
pid_t Start(const std::vector<std::string>& argv, const fs::path& workingDir,
            const std::map<std::string, std::string>& environment = {});
bool Alive(pid_t pid);
// Reaps `pid` if it is our child and has ended; true when it has ended, collected or not.
bool Ended(pid_t pid);
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);
// Processes of that name started on this test's display.
std::vector<pid_t> ProcessesNamed(const std::string& name);
std::vector<std::string> CommandLineOf(pid_t pid);

// A message box as the user reads it: its caption, its text, its buttons' captions.
struct MessageBox {
    std::string caption;
    std::string text;
    std::string buttons;
    bool operator==(const MessageBox&) const = default;
};
std::ostream& operator<<(std::ostream& out, const MessageBox& box);

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// The real desktop as a user sees it, through xdotool, xprop and ImageMagick.
class Desktop {
public:
    // Visible windows whose title matches the regular expression.
    std::vector<unsigned long> Windows(const std::string& titlePattern);
    // Closes the conversions' terminal windows on this display, whatever the terminal program,
    // those of the programs the test started only.
    void CloseConversionWindows();
    // The windows of a process, mapped or not (a minimised window is not mapped).
    std::vector<unsigned long> WindowsOfProcess(pid_t pid);
    unsigned long WaitForWindow(const std::string& titlePattern, std::chrono::milliseconds limit);
    bool WaitForNoWindow(const std::string& titlePattern, std::chrono::milliseconds limit);
    Geometry GeometryOf(unsigned long window);
    std::string Property(unsigned long window, const std::string& name);
    unsigned long ActiveWindow();

    void Click(int x, int y, int button = 1);
    // Two left clicks `gapMs` apart at one place, as a quick hand makes them.
    void DoubleClick(int x, int y, int gapMs);
    void Press(int x, int y, int button = 1);
    void MoveTo(int x, int y);
    void Release(int button = 1);
    void Type(const std::string& text);
    // Puts `text` on the clipboard and pastes it where the focus is: any script, any character.
    void Paste(const std::string& text);
    void Key(const std::string& keys);
    // The message box that has the focus, copied off it with Ctrl+C as a user would copy it.
    MessageBox CopyMessageBox();
    // The colour of one screen pixel as "r,g,b"; with a window, of one pixel of that window's own.
    std::string PixelAt(int x, int y, unsigned long window = 0);
    void Screenshot(const fs::path& file);
    // Caps Lock, Num Lock, Scroll Lock as the server's indicators show them.
    std::map<std::string, bool> Locks();
};

// The requests to activate a window that clients send to the window manager, as it receives
// them (_NET_ACTIVE_WINDOW client messages on the root window), from creation on.
class ActivationRequests {
public:
    struct Request {
        unsigned long window = 0;
        long source = 0;          // 1: an application, 2: a pager or a user's direct action
        unsigned long time = 0;   // the X server time of the action that caused it; 0: none given
    };

    ActivationRequests();
    ~ActivationRequests();
    ActivationRequests(const ActivationRequests&) = delete;
    ActivationRequests& operator=(const ActivationRequests&) = delete;

    // Every request received so far.
    const std::vector<Request>& Received();

private:
    void* display_;
    std::vector<Request> received_;
};

// A fresh directory removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Writes an executable shell script.
void WriteScript(const fs::path& file, const std::string& body);
// A short clip with sound, made by the real ffmpeg; its picture from an ffmpeg source filter.
void MakeClip(const fs::path& file, const std::string& picture = "");

}  // namespace talvenor::e2e
