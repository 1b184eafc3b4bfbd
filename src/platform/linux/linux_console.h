// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace talvenor::linux_backend {

// The terminal emulator that shows a conversion's output; empty when none is installed.
std::string FindTerminal();

// The argument vector that runs `argv` inside `terminal`, keeping the terminal open after a
// failure until the user presses Enter. With `output`, `argv` writes `partial`, which becomes
// `output` when it ends well and goes otherwise.
std::vector<std::string> InTerminal(const std::string& terminal, const std::string& title,
                                    const std::vector<std::string>& argv, const std::string& output = {},
                                    const std::string& partial = {});
// The same with no terminal to show it: a shell sees to the file's name alone.
std::vector<std::string> Settling(const std::vector<std::string>& argv, const std::string& output,
                                  const std::string& partial);

// The conversion console installed with the program whose folder is `programDir`: beside it (a
// build tree), else in ../libexec/talvenor; empty when there is none.
std::string FindConsole(const std::string& programDir);

// The argument vector that has `console` start `argv` at once and show it in `terminal`, which
// likewise stays open after a failure until Enter.
std::vector<std::string> InConsole(const std::string& console, const std::string& terminal, const std::string& title,
                                   const std::vector<std::string>& argv, const std::string& output = {},
                                   const std::string& partial = {});

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
