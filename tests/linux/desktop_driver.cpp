// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_driver.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace talvenor::e2e {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string Trim(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// In the environment of what a test starts, and so of everything that starts: the windows the
// test may close are theirs, never those of the window manager's helpers on its display.
const std::string kStartedHere = "TALVENOR_STARTED_BY_TEST=";

bool StartedHere(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    for (std::string entry; std::getline(file, entry, '\0');) {
        if (entry == kStartedHere + std::to_string(getpid())) return true;
    }
    return false;
}

}  // namespace

Output RunProgram(const std::vector<std::string>& argv, const std::string& input) {
    int out[2];
    int in[2];
    int err[2];
    if (pipe(out) != 0 || pipe(in) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> args = argv;
    std::vector<char*> pointers = Pointers(args);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(in[0], STDIN_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(err[0]);
        close(err[1]);
        close(out[0]);
        close(out[1]);
        close(in[0]);
        close(in[1]);
        execvp(pointers[0], pointers.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    close(in[0]);
    if (!input.empty()) (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    Output result;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) result.text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) result.errors.append(buffer, static_cast<std::size_t>(n));
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

pid_t Start(const std::vector<std::string>& argv, const fs::path& workingDir,
            const std::map<std::string, std::string>& environment) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers = Pointers(args);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        if (environment.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
    }
    for (const auto& [name, value] : environment) env.push_back(name + "=" + value);
    env.push_back(kStartedHere + std::to_string(getpid()));
    std::vector<char*> envPointers = Pointers(env);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(workingDir.c_str()) != 0) _exit(126);
        execve(pointers[0], pointers.data(), envPointers.data());
        _exit(127);
    }
    return pid;
}

bool Alive(pid_t pid) { return !Ended(pid); }

bool Ended(pid_t pid) {
    int status = 0;
    const pid_t reaped = waitpid(pid, &status, WNOHANG);
    if (reaped == pid) return true;
    if (reaped == 0) return false;
    // Not our child: one that has ended but is not yet collected (a zombie) has ended too.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto state = line.rfind(") ");
    return state == std::string::npos || line.compare(state + 2, 1, "Z") == 0;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

namespace {

bool OnOurDisplay(pid_t pid) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return false;
    std::ifstream file("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    for (std::string entry; std::getline(file, entry, '\0');) {
        if (entry == std::string("DISPLAY=") + display) return true;
    }
    return false;
}

}  // namespace

std::vector<pid_t> ProcessesNamed(const std::string& name) {
    std::vector<pid_t> pids;
    std::istringstream lines(RunProgram({"pgrep", "-x", name}).text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        const auto pid = static_cast<pid_t>(std::stol(line));
        if (OnOurDisplay(pid)) pids.push_back(pid);
    }
    return pids;
}

std::vector<std::string> CommandLineOf(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(file, arg, '\0');) args.push_back(arg);
    return args;
}

namespace {

// xdotool dies of an X error when a window vanishes while it looks: such a search is made again.
std::vector<unsigned long> Search(const std::vector<std::string>& argv) {
    Output found;
    for (int attempt = 0; attempt < 5; ++attempt) {
        found = RunProgram(argv);
        if (found.errors.find("X Error") == std::string::npos) break;
    }
    std::vector<unsigned long> windows;
    std::istringstream lines(found.text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) windows.push_back(std::stoul(line));
    }
    return windows;
}

}  // namespace

std::vector<unsigned long> Desktop::Windows(const std::string& titlePattern) {
    return Search({"xdotool", "search", "--onlyvisible", "--name", titlePattern});
}

void Desktop::CloseConversionWindows() {
    for (unsigned long window : Windows("^Talvenor — ")) {
        // A manager may draw frames in a process of its own, under the client's title (mutter 48).
        const std::string pid = RunProgram({"xdotool", "getwindowpid", std::to_string(window)}).text;
        if (pid.empty() || !StartedHere(static_cast<pid_t>(std::stol(pid)))) continue;
        RunProgram({"xdotool", "windowkill", std::to_string(window)});
    }
}

std::vector<unsigned long> Desktop::WindowsOfProcess(pid_t pid) {
    return Search({"xdotool", "search", "--pid", std::to_string(pid)});
}

unsigned long Desktop::WaitForWindow(const std::string& titlePattern, std::chrono::milliseconds limit) {
    unsigned long found = 0;
    WaitUntil(
        [&] {
            const auto windows = Windows(titlePattern);
            if (!windows.empty()) found = windows.back();
            return found != 0;
        },
        limit);
    return found;
}

bool Desktop::WaitForNoWindow(const std::string& titlePattern, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return Windows(titlePattern).empty(); }, limit);
}

Geometry Desktop::GeometryOf(unsigned long window) {
    // Where the window's own pixels are on the screen, whatever frame a manager puts around them.
    Geometry g;
    std::istringstream lines(RunProgram({"xwininfo", "-id", std::to_string(window)}).text);
    const std::map<std::string, int*> fields = {{"Absolute upper-left X:", &g.x},
                                                {"Absolute upper-left Y:", &g.y},
                                                {"Width:", &g.width},
                                                {"Height:", &g.height}};
    for (std::string line; std::getline(lines, line);) {
        for (const auto& [label, value] : fields) {
            const auto at = line.find(label);
            if (at != std::string::npos) *value = std::stoi(line.substr(at + label.size()));
        }
    }
    return g;
}

std::string Desktop::Property(unsigned long window, const std::string& name) {
    return Trim(RunProgram({"xprop", "-id", std::to_string(window), name}).text);
}

unsigned long Desktop::ActiveWindow() {
    const std::string text = Trim(RunProgram({"xdotool", "getactivewindow"}).text);
    return text.empty() ? 0 : std::stoul(text);
}

void Desktop::Click(int x, int y, int button) {
    RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

void Desktop::DoubleClick(int x, int y, int gapMs) {
    RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat", "2", "--delay",
                std::to_string(gapMs), "1"});
}

ActivationRequests::ActivationRequests() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("no X display to listen to");
    Display* dpy = static_cast<Display*>(display_);
    // Messages sent to the root for the manager reach every client that watches its children.
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);
}

ActivationRequests::~ActivationRequests() { XCloseDisplay(static_cast<Display*>(display_)); }

const std::vector<ActivationRequests::Request>& ActivationRequests::Received() {
    Display* dpy = static_cast<Display*>(display_);
    const Atom active = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    XSync(dpy, False);
    while (XPending(dpy) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type != ClientMessage || event.xclient.message_type != active) continue;
        received_.push_back({event.xclient.window, event.xclient.data.l[0],
                             static_cast<unsigned long>(event.xclient.data.l[1])});
    }
    return received_;
}

void Desktop::Press(int x, int y, int button) {
    RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "mousedown", std::to_string(button)});
}

void Desktop::MoveTo(int x, int y) { RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}); }

void Desktop::Release(int button) { RunProgram({"xdotool", "mouseup", std::to_string(button)}); }

void Desktop::Type(const std::string& text) { RunProgram({"xdotool", "type", "--delay", "15", "--file", "-"}, text); }

void Desktop::Paste(const std::string& text) {
    // xclip stays behind to serve the clipboard: its output must not be waited for.
    RunProgram({"sh", "-c", "xclip -selection clipboard -i >/dev/null 2>&1"}, text);
    RunProgram({"xdotool", "key", "ctrl+v"});
}

void Desktop::Key(const std::string& keys) { RunProgram({"xdotool", "key", keys}); }

std::ostream& operator<<(std::ostream& out, const MessageBox& box) {
    return out << "[" << box.caption << "] [" << box.text << "] [" << box.buttons << "]";
}

MessageBox Desktop::CopyMessageBox() {
    // Emptied first, so that what is read is this box's copy and nothing older.
    RunProgram({"sh", "-c", "printf '' | xclip -selection clipboard -i >/dev/null 2>&1"});
    Key("ctrl+c");
    std::string copied;
    WaitUntil([&] { return !(copied = RunProgram({"xclip", "-selection", "clipboard", "-o"}).text).empty(); },
              std::chrono::seconds(5));
    // The copy holds the caption, the text and the buttons, each between lines of dashes.
    std::vector<std::string> parts;
    std::istringstream lines(copied);
    for (std::string line; std::getline(lines, line);) {
        if (line.find_first_not_of('-') == std::string::npos && line.size() > 10) {
            parts.emplace_back();
        } else if (!parts.empty()) {
            parts.back() += line + "\n";
        }
    }
    if (parts.size() < 3) return {"", copied, ""};
    parts[1].pop_back();
    return {Trim(parts[0]), parts[1], Trim(parts[2])};
}

std::string Desktop::PixelAt(int x, int y, unsigned long window) {
    const std::string geometry = "1x1+" + std::to_string(x) + "+" + std::to_string(y);
    const std::string source = window != 0 ? std::to_string(window) : "root";
    const std::string text =
        RunProgram({"sh", "-c", "import -window " + source + " -crop " + geometry + " -depth 8 txt:- | tail -n 1"}).text;
    // "0,0: (89,117,255)  #5975FF  srgb(89,117,255)"
    const std::regex colour(R"(\((\d+),(\d+),(\d+)\))");
    std::smatch match;
    if (!std::regex_search(text, match, colour)) return text;
    return match[1].str() + "," + match[2].str() + "," + match[3].str();
}

void Desktop::Screenshot(const fs::path& file) { RunProgram({"import", "-window", "root", file.string()}); }

std::map<std::string, bool> Desktop::Locks() {
    const std::string text = RunProgram({"xset", "q"}).text;
    std::map<std::string, bool> locks;
    for (const char* name : {"Caps Lock", "Num Lock", "Scroll Lock"}) {
        const std::regex pattern(std::string(name) + R"(:\s+(on|off))");
        std::smatch match;
        if (std::regex_search(text, match, pattern)) locks[name] = match[1].str() == "on";
    }
    return locks;
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "talvenor-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

void WriteScript(const fs::path& file, const std::string& body) {
    std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

void MakeClip(const fs::path& file, const std::string& picture) {
    // 25 frames a second: a rate every output format of the presets accepts.
    const Output made = RunProgram({"ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                             picture.empty() ? "testsrc=duration=1:size=160x120:rate=25" : picture, "-f", "lavfi", "-i", "sine=duration=1",
                             file.string()});
    if (made.status != 0) throw std::runtime_error("could not make " + file.string());
}

}  // namespace talvenor::e2e
