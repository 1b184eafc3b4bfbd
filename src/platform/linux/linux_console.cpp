// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_console.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "console_words.h"
#include "linux_launch.h"
#include "linux_platform.h"
#include "linux_spawn.h"

namespace talvenor::linux_backend {

namespace {

// The next conversion console is started a little after a launch, so as not to compete with the
// tool that is starting.
constexpr int kStandbyDelayMs = 250;

// What the terminal runs: the tool, then on failure a message and a wait for Enter. The file
// names arrive as positional parameters and are never parsed as shell text.
constexpr char kTerminalScript[] =
    "\"$@\"; status=$?; "
    "if [ \"$status\" -ne 0 ]; then "
    "printf '\\n%s (code %s).\\n%s' '" TALVENOR_CONVERSION_FAILED "' \"$status\" "
    "'" TALVENOR_PRESS_ENTER "'; read reply; fi";

}  // namespace

std::string FindTerminal() {
    for (const char* candidate : {"x-terminal-emulator", "xterm"}) {
        std::string path = ResolveProgram({}, candidate);
        if (!path.empty()) return path;
    }
    return {};
}

std::vector<std::string> Settling(const std::vector<std::string>& argv, const std::string& output,
                                  const std::string& partial) {
    std::vector<std::string> wrapped = {"/bin/sh", "-c", TALVENOR_SETTLING_SCRIPT, "talvenor", output, partial};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

std::vector<std::string> InTerminal(const std::string& terminal, const std::string& title,
                                    const std::vector<std::string>& argv, const std::string& output,
                                    const std::string& partial) {
    std::vector<std::string> wrapped = {terminal, "-T", title, "-e"};
    std::vector<std::string> shell = {"/bin/sh", "-c", kTerminalScript, "talvenor"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    if (!output.empty()) shell = Settling(argv, output, partial);
    wrapped.insert(wrapped.end(), shell.begin(), shell.end());
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
                                   const std::vector<std::string>& argv, const std::string& output,
                                   const std::string& partial) {
    std::vector<std::string> wrapped = {console, "--title", title, "--terminal", terminal};
    if (!output.empty()) wrapped.insert(wrapped.end(), {"--output", output, "--partial", partial});
    wrapped.push_back("--");
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

void LinuxPlatform::PrepareConversions() {
    if (standby_.Ready() || FindTerminal().empty()) return;
    standby_.Start(Console());
}

void LinuxPlatform::WatchReport(pid_t pid, int fd) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
    auto line = std::make_shared<std::string>();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, notifier, fd, pid, line] {
        char buffer[64];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) return;
        if (got > 0) line->append(buffer, static_cast<std::size_t>(got));
        if (got > 0 && line->find('\n') == std::string::npos && line->size() < sizeof buffer) return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        close(fd);
        // Nothing but "E<code> <milliseconds>": a console that went without a word tells nothing.
        int code = 0;
        long long ms = 0;
        if (std::sscanf(line->c_str(), "E%d %lld", &code, &ms) == 2 && conversionEnded_) {
            conversionEnded_(static_cast<ProcessHandle>(pid), code, static_cast<double>(ms) / 1000);
        }
    });
}

pid_t LinuxPlatform::StartConsole(const std::vector<std::string>& argv, const EnvironmentChanges& environment) {
    pid_t pid = -1;
    int report = -1;
    std::error_code noFolder;
    const std::filesystem::path folder = std::filesystem::current_path(noFolder);
    if (standby_.Ready() && !noFolder) {
        // The console waiting in the background runs it from our current folder; the next one
        // is made ready shortly after.
        std::vector<std::string> job = {"--cwd", folder.string()};
        job.insert(job.end(), argv.begin() + 1, argv.end());
        pid = standby_.Hand(job, &report);
        QTimer::singleShot(kStandbyDelayMs, qApp, [this] { PrepareConversions(); });
    }
    int ends[2];
    if (pid <= 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
        // A console started now reports on a socket of its own.
        std::vector<std::string> reporting = argv;
        reporting.insert(reporting.begin() + 1, {"--report", "3"});
        pid = SpawnDetached(reporting, ends[1], environment);
        close(ends[1]);
        report = ends[0];
    }
    if (report >= 0 && pid <= 0) close(report);
    if (pid > 0 && report >= 0) WatchReport(pid, report);
    return pid;
}

std::string LinuxPlatform::Console() const {
    return FindConsole(QCoreApplication::applicationDirPath().toStdString());
}

}  // namespace talvenor::linux_backend
