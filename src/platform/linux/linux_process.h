// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace talvenor::linux_backend {

// The executable to run for `program`: `toolDir/program` when that file is executable,
// otherwise the first match in the PATH's absolute folders; empty when there is none.
std::string ResolveProgram(const std::string& toolDir, const std::string& program);

// What a started program's environment has other than ours: "NAME=value" sets a variable,
// a bare "NAME" removes it.
using EnvironmentChanges = std::vector<std::string>;

// Starts argv[0] (a path) with `argv` in a session of its own, so that it outlives us; no shell
// is involved. Its standard streams go to /dev/null: a terminal, where one is wanted, brings its
// own. `passFd`, when not -1, becomes its descriptor 3. Returns the process id, or -1 when the
// program could not be executed.
pid_t SpawnDetached(const std::vector<std::string>& argv, int passFd = -1, const EnvironmentChanges& changes = {});

// A terminal must read as UTF-8 what is written to it: where the session's character type is not
// UTF-8 it gets LC_CTYPE=C.UTF-8 and keeps the rest of the locale (an LC_ALL becomes its LANG).
EnvironmentChanges TerminalLocale();
// In a Wayland session the player must open an X11 window, the only kind our keys reach, unless
// the user chose its video driver.
EnvironmentChanges PlayerVideoDriver();

// Follows one of our children without waiting for it: the system reaps our children, so its
// process id alone could name another program once it has ended.
class ProcessWatch {
public:
    explicit ProcessWatch(pid_t pid);
    ProcessWatch(ProcessWatch&& other) noexcept : pid_(other.pid_), fd_(other.fd_) { other.fd_ = -1; }
    ProcessWatch& operator=(ProcessWatch&&) = delete;
    ~ProcessWatch();

    bool Running() const;

private:
    pid_t pid_;
    int fd_;  // a pidfd, or -1 where the kernel has none (the process id is asked then)
};

// The terminal emulator that shows a conversion's output; empty when none is installed.
std::string FindTerminal();

// The argument vector that runs `argv` inside `terminal`, keeping the terminal open after a
// failure until the user presses Enter.
std::vector<std::string> InTerminal(const std::string& terminal, const std::string& title,
                                    const std::vector<std::string>& argv);

// The conversion console installed with the program whose folder is `programDir`: beside it (a
// build tree), else in ../libexec/talvenor; empty when there is none.
std::string FindConsole(const std::string& programDir);

// The argument vector that has `console` start `argv` at once and show it in `terminal`, which
// likewise stays open after a failure until Enter.
std::vector<std::string> InConsole(const std::string& console, const std::string& terminal, const std::string& title,
                                   const std::vector<std::string>& argv);

// A conversion console started ahead of time (`console --standby 3`), so that a click only has
// to hand it its command line and the tool starts after one exec instead of two.
class StandbyConsole {
public:
    StandbyConsole() = default;
    StandbyConsole(const StandbyConsole&) = delete;
    StandbyConsole& operator=(const StandbyConsole&) = delete;
    // A console that gets nothing ends quietly.
    ~StandbyConsole() { Drop(); }

    // Starts one from `console` unless one is already waiting; false if none could start.
    bool Start(const std::string& console);
    bool Ready() const { return socket_ >= 0; }
    // Hands the waiting console `arguments` (its command line after its own name) and returns its
    // process id; -1 when none is waiting or it has gone. Either way none is waiting afterwards.
    // `report`, when given, receives the descriptor on which the console tells how the conversion
    // ended ("E<code> <milliseconds>"), or -1.
    pid_t Hand(const std::vector<std::string>& arguments, int* report = nullptr);

private:
    void Drop();

    pid_t pid_ = -1;
    int socket_ = -1;
};

}  // namespace talvenor::linux_backend
