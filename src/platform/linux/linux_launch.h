// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace talvenor::linux_backend {

// Whether `path` names a regular file that we may execute.
bool IsExecutableFile(const std::string& path);

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

}  // namespace talvenor::linux_backend
