// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_process.h"

#include "console_words.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace talvenor::linux_backend {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// What the terminal runs: the tool, then on failure a message and a wait for Enter. The file
// names arrive as positional parameters and are never parsed as shell text.
constexpr char kTerminalScript[] =
    "\"$@\"; status=$?; "
    "if [ \"$status\" -ne 0 ]; then "
    "printf '\\n%s (code %s).\\n%s' '" TALVENOR_CONVERSION_FAILED "' \"$status\" "
    "'" TALVENOR_PRESS_ENTER "'; read reply; fi";

}  // namespace

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

bool NamesUtf8(std::string locale) {
    for (char& c : locale) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return locale.find("utf-8") != std::string::npos || locale.find("utf8") != std::string::npos;
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
    const char* all = Variable("LC_ALL");
    const char* ctype = all != nullptr ? all : Variable("LC_CTYPE");
    if (ctype == nullptr) ctype = Variable("LANG");
    if (ctype != nullptr && NamesUtf8(ctype)) return {};
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

    // A session of its own, so that it outlives us; default signal handling and an empty mask.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(&attributes, &empty);

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

std::string FindTerminal() {
    for (const char* candidate : {"x-terminal-emulator", "xterm"}) {
        std::string path = ResolveProgram({}, candidate);
        if (!path.empty()) return path;
    }
    return {};
}

std::vector<std::string> InTerminal(const std::string& terminal, const std::string& title,
                                    const std::vector<std::string>& argv) {
    std::vector<std::string> wrapped = {terminal, "-T", title, "-e", "/bin/sh", "-c", kTerminalScript, "talvenor"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

#ifndef TALVENOR_CONSOLE_FROM_BIN
#define TALVENOR_CONSOLE_FROM_BIN "../libexec/talvenor"
#endif

std::string FindConsole(const std::string& programDir) {
    for (const std::string& dir : {programDir, programDir + "/" TALVENOR_CONSOLE_FROM_BIN}) {
        const std::string path = dir + "/talvenor-console";
        if (IsExecutableFile(path)) return path;
    }
    return {};
}

std::vector<std::string> InConsole(const std::string& console, const std::string& terminal, const std::string& title,
                                   const std::vector<std::string>& argv) {
    std::vector<std::string> wrapped = {console, "--title", title, "--terminal", terminal, "--"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

bool StandbyConsole::Start(const std::string& console) {
    if (Ready()) return true;
    if (console.empty()) return false;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    pid_ = SpawnDetached({console, "--standby", "3"}, ends[1]);
    close(ends[1]);
    if (pid_ <= 0) {
        close(ends[0]);
        pid_ = -1;
        return false;
    }
    socket_ = ends[0];
    return true;
}

pid_t StandbyConsole::Hand(const std::vector<std::string>& arguments, int* report) {
    if (report != nullptr) *report = -1;
    if (!Ready()) return -1;
    std::string job;
    for (const std::string& argument : arguments) job.append(argument).push_back('\0');
    std::size_t sent = 0;
    while (sent < job.size()) {
        const ssize_t n = send(socket_, job.data() + sent, job.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    const pid_t pid = sent == job.size() ? pid_ : -1;
    // The job ends where our writing does; the same socket then carries the report back.
    if (pid > 0 && report != nullptr && shutdown(socket_, SHUT_WR) == 0) {
        *report = socket_;
        socket_ = -1;
    }
    Drop();
    return pid;
}

void StandbyConsole::Drop() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
    pid_ = -1;
}

}  // namespace talvenor::linux_backend
