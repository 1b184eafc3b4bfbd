// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_launch.h"
#include "linux_spawn.h"
#include "linux_platform.h"
#include "presets.h"

#include <QCoreApplication>
#include <QTimer>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string_view>

extern char** environ;

namespace talvenor::linux_backend {

namespace {

}  // namespace

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string ResolveProgram(const std::string& toolDir, const std::string& program) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return IsExecutableFile(program) ? program : std::string{};
    if (!toolDir.empty() && IsExecutableFile(toolDir + "/" + program)) return toolDir + "/" + program;
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        // An empty or relative entry names the current folder, the chosen video's: never run
        // a program found there.
        if (!dir.empty() && dir.front() == '/' && IsExecutableFile(dir + "/" + program)) return dir + "/" + program;
        start = end + 1;
    }
    return {};
}

namespace {

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// Our environment with `changes` made; the strings live in `storage`.
std::vector<char*> ChangedEnvironment(const EnvironmentChanges& changes, std::vector<std::string>& storage) {
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name = nameOf(*entry);
        const bool changed = std::any_of(changes.begin(), changes.end(),
                                         [&](const std::string& change) { return nameOf(change) == name; });
        if (!changed) storage.emplace_back(*entry);
    }
    for (const std::string& change : changes) {
        if (change.find('=') != std::string::npos) storage.push_back(change);
    }
    std::vector<char*> pointers;
    for (std::string& entry : storage) pointers.push_back(entry.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

EnvironmentChanges TerminalLocale() {
    const char* all = nullptr;
    if (TalvenorTerminalNeedsUtf8(&all) == 0) return {};
    if (all == nullptr) return {"LC_CTYPE=C.UTF-8"};
    return {"LC_ALL", "LANG=" + std::string(all), "LC_CTYPE=C.UTF-8"};
}

EnvironmentChanges PlayerVideoDriver() {
    if (Variable("WAYLAND_DISPLAY") == nullptr || std::getenv("SDL_VIDEODRIVER") != nullptr) return {};
    return {"SDL_VIDEODRIVER=x11"};
}

pid_t SpawnDetached(const std::vector<std::string>& argv, int passFd, const EnvironmentChanges& changes) {
    if (argv.empty()) return -1;
    // Our children are never waited for: the system reaps them as they end.
    static const bool reaping = [] {
        std::signal(SIGCHLD, SIG_IGN);
        return true;
    }();
    (void)reaping;

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // dup2 onto another number clears close-on-exec for the copy only: a descriptor that is
    // already 3 is moved out of the way first.
    const int moved = passFd == 3 ? fcntl(passFd, F_DUPFD_CLOEXEC, 4) : -1;
    const int source = passFd == 3 ? moved : passFd;
    if (source >= 0) posix_spawn_file_actions_adddup2(&files, source, 3);
    // Nothing else we hold (or were started with) reaches the program.
    posix_spawn_file_actions_addclosefrom_np(&files, passFd >= 0 ? 4 : 3);

    posix_spawnattr_t attributes;
    TalvenorSpawnAttributes(&attributes, 0);

    pid_t pid = -1;
    // glibc reports a failed exec here, so a program that cannot run is known at once.
    std::vector<std::string> storage;
    std::vector<char*> changed;
    if (!changes.empty()) changed = ChangedEnvironment(changes, storage);
    const int error = posix_spawn(&pid, args[0], &files, &attributes, args.data(),
                                  changes.empty() ? environ : changed.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (moved >= 0) close(moved);
    return error == 0 ? pid : -1;
}

ProcessWatch::ProcessWatch(pid_t pid) : pid_(pid), fd_(-1) {
#ifdef SYS_pidfd_open
    fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd_ >= 0) fcntl(fd_, F_SETFD, FD_CLOEXEC);
    // Already gone and reaped: it is known to have ended.
    if (fd_ < 0 && errno == ESRCH) pid_ = -1;
#endif
}

ProcessWatch::~ProcessWatch() {
    if (fd_ >= 0) close(fd_);
}

bool ProcessWatch::Running() const {
    if (pid_ <= 0) return false;
    if (fd_ < 0) return kill(pid_, 0) == 0 || errno == EPERM;
    // The descriptor becomes readable when the process ends.
    pollfd ended{fd_, POLLIN, 0};
    return poll(&ended, 1, 0) == 0;
}

std::vector<std::string> LinuxPlatform::LaunchVector(const CommandLine& command) const {
    std::vector<std::string> argv;
    if (command.purpose == LaunchPurpose::Mixer) {
        // The system's own mixer stands in for the Windows one.
        for (const char* mixer : {"pavucontrol", "pavucontrol-qt", "mate-volume-control", "xfce4-mixer", "kmix"}) {
            const std::string path = ResolveProgram({}, mixer);
            if (!path.empty()) return {path};
        }
        const std::string terminal = FindTerminal();
        const std::string alsamixer = ResolveProgram({}, "alsamixer");
        if (!terminal.empty() && !alsamixer.empty()) return {terminal, "-T", "Volume", "-e", alsamixer};
        return {};
    }
    if (command.purpose == LaunchPurpose::WebSite) {
        for (const char* opener : {"xdg-open", "sensible-browser", "x-www-browser"}) {
            const std::string path = ResolveProgram({}, opener);
            if (path.empty()) continue;
            argv = {path};
            for (const std::string& arg : command.arguments) argv.push_back(WebAddress(arg));
            return argv;
        }
        return {};
    }
    const std::string program = ResolveProgram(command.toolDir, command.program);
    if (program.empty()) return {};
    argv = {program};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    if (command.purpose == LaunchPurpose::Conversion) {
        // The tool's own output shows in a terminal, as a console window would show it.
        // Whatever shows it, the tool writes its file under a temporary name that only its good
        // end turns into the file's own.
        const std::string terminal = FindTerminal();
        const std::string title = "Talvenor — " + command.program;
        const std::string& output = command.output;
        const std::string& partial = command.partialOutput;
        if (terminal.empty()) return output.empty() ? argv : Settling(argv, output, partial);
        // The console starts the tool before the terminal's own start-up; the shell is the fallback.
        const std::string console = Console();
        return console.empty() ? InTerminal(terminal, title, argv, output, partial)
                               : InConsole(console, terminal, title, argv, output, partial);
    }
    return argv;
}

ProcessHandle LinuxPlatform::Shell(const CommandLine& command, WindowStyle style) {
    const std::vector<std::string> argv = LaunchVector(command);
    if (argv.empty()) return 0;
    pid_t pid = argv[0] == Console() ? StartConsole(argv, LaunchEnvironment(command, argv)) : -1;
    if (pid <= 0) pid = SpawnDetached(argv, -1, LaunchEnvironment(command, argv));
    if (pid <= 0) return 0;
    launched_.Launched(pid);
    if (StartsMinimised(command.purpose, style)) MinimiseWhenShown(pid);
    // A conversion is followed through the console or terminal that runs it: it ends with the tool.
    std::erase_if(started_, [](const auto& entry) { return !entry.second.Running(); });
    started_.erase(pid);
    started_.emplace(pid, ProcessWatch(pid));
    return static_cast<ProcessHandle>(pid);
}

bool LinuxPlatform::IsRunning(ProcessHandle process) {
    const auto found = started_.find(static_cast<pid_t>(process));
    return found != started_.end() && found->second.Running();
}

EnvironmentChanges LinuxPlatform::LaunchEnvironment(const CommandLine& command,
                                                    const std::vector<std::string>& argv) const {
    if (command.purpose == LaunchPurpose::Player) return PlayerVideoDriver();
    // A program run inside a terminal (the console sees to its own terminal).
    if (argv.size() > 2 && argv[1] == "-T") return TerminalLocale();
    return {};
}

}  // namespace talvenor::linux_backend
