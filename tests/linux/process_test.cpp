// SPDX-License-Identifier: GPL-3.0-or-later
// Starting programs on Linux: what a started program receives, and the console kept on standby.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "linux_console.h"
#include "linux_launch.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using talvenor::linux_backend::EnvironmentChanges;
using talvenor::linux_backend::PlayerVideoDriver;
using talvenor::linux_backend::ProcessWatch;
using talvenor::linux_backend::SpawnDetached;
using talvenor::linux_backend::StandbyConsole;
using talvenor::linux_backend::TerminalLocale;

namespace {

class Process : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/talvenor-process-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Waits up to five seconds for `file` to be written in full (its last line is "end"); carriage
    // returns (from a terminal) left out.
    std::string ReadWhenDone(const fs::path& file) {
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(file);
            std::stringstream text;
            text << in.rdbuf();
            std::string s = text.str();
            s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
            if (s.size() >= 4 && s.compare(s.size() - 4, 4, "end\n") == 0) return s.substr(0, s.size() - 4);
            std::this_thread::sleep_for(50ms);
        }
        return "(not written)";
    }

    fs::path dir;
};

TEST_F(Process, TheProgramGetsItsArgumentsItsOwnSessionAndNoStrayDescriptor) {
    const fs::path out = dir / "out";
    // Held open without close-on-exec, as a descriptor inherited from whoever started us would be.
    const int stray = open((dir / "stray").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(stray, 0);
    const std::string script =
        "out=$1; stray=$2; shift 2; { for a in \"$@\"; do printf '<%s>\\n' \"$a\"; done; "
        "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ] && echo 'own session'; "
        "[ -e /proc/$$/fd/$stray ] && echo 'stray descriptor'; "
        "[ -e /proc/$$/fd/0 ] && [ -e /proc/$$/fd/2 ] && echo 'standard streams'; echo end; } > \"$out\"";
    const pid_t pid = SpawnDetached(
        {"/bin/sh", "-c", script, "sh", out.string(), std::to_string(stray), "a b", "'q'", "$(x)", "-z", ""});
    close(stray);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(ReadWhenDone(out), "<a b>\n<'q'>\n<$(x)>\n<-z>\n<>\nown session\nstandard streams\n");
}

TEST_F(Process, APassedDescriptorArrivesAsThree) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const pid_t pid = SpawnDetached({"/bin/sh", "-c", "echo hello >&3"}, ends[1]);
    close(ends[1]);
    ASSERT_GT(pid, 0);
    char buffer[16] = {};
    EXPECT_EQ(read(ends[0], buffer, sizeof buffer - 1), 6);
    EXPECT_STREQ(buffer, "hello\n");
    close(ends[0]);
}

// The session's variables for one test, put back afterwards.
class SessionVariables {
public:
    explicit SessionVariables(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
            Set(name, value);
        }
    }
    ~SessionVariables() {
        for (const auto& [name, value] : saved_) Set(name, value);
    }

private:
    static void Set(const std::string& name, const std::optional<std::string>& value) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(Process, TerminalsReadUtf8AndThePlayerOpensAnX11WindowUnderWayland) {
    using Values = std::map<std::string, std::optional<std::string>>;
    struct Case {
        const char* what;
        Values session;
        bool player;  // else a terminal
        std::string seen;  // LANG|LC_CTYPE|LC_ALL|LC_MESSAGES|SDL_VIDEODRIVER in the started program
    };
    const Values plain = {{"LANG", std::nullopt},        {"LC_CTYPE", std::nullopt},        {"LC_ALL", std::nullopt},
                          {"LC_MESSAGES", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"SDL_VIDEODRIVER", std::nullopt}};
    auto with = [&](Values changes) {
        Values all = plain;
        for (const auto& [name, value] : changes) all[name] = value;
        return all;
    };
    const std::vector<Case> cases = {
        {"LANG=C", with({{"LANG", "C"}}), false, "C|C.UTF-8|-|-|-"},
        {"no locale at all", plain, false, "-|C.UTF-8|-|-|-"},
        {"LC_ALL=C over a UTF-8 LANG", with({{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", "C"}}), false, "C|C.UTF-8|-|-|-"},
        {"a Latin-1 LC_CTYPE", with({{"LANG", "fr_FR.UTF-8"}, {"LC_CTYPE", "fr_FR.ISO-8859-1"}}), false,
         "fr_FR.UTF-8|C.UTF-8|-|-|-"},
        {"a UTF-8 session is kept", with({{"LANG", "fr_FR.utf8"}, {"LC_MESSAGES", "C"}}), false,
         "fr_FR.utf8|-|-|C|-"},
        {"the player under X11", with({{"LANG", "C"}}), true, "C|-|-|-|-"},
        {"the player under Wayland", with({{"WAYLAND_DISPLAY", "wayland-0"}}), true, "-|-|-|-|x11"},
        {"the user's own video driver", with({{"WAYLAND_DISPLAY", "wayland-0"}, {"SDL_VIDEODRIVER", "wayland"}}),
         true, "-|-|-|-|wayland"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path out = dir / "out";
        fs::remove(out);
        EnvironmentChanges changes;
        {
            SessionVariables session(c.session);
            changes = c.player ? PlayerVideoDriver() : TerminalLocale();
            const pid_t pid = SpawnDetached({"/bin/sh", "-c",
                                             "echo \"${LANG--}|${LC_CTYPE--}|${LC_ALL--}|${LC_MESSAGES--}|"
                                             "${SDL_VIDEODRIVER--}\" > \"$0\"; echo end >> \"$0\"",
                                             out.string()},
                                            -1, changes);
            ASSERT_GT(pid, 0);
        }
        EXPECT_EQ(ReadWhenDone(out), c.seen + "\n");
    }
}

TEST_F(Process, AWatchedProcessRunsUntilItEnds) {
    const fs::path gate = dir / "gate";
    ASSERT_EQ(mkfifo(gate.c_str(), 0600), 0);
    // It runs until the test opens the gate.
    const pid_t pid = SpawnDetached({"/bin/sh", "-c", "read line < \"$0\"", gate.string()});
    ASSERT_GT(pid, 0);
    const ProcessWatch watch(pid);
    EXPECT_TRUE(watch.Running());
    std::ofstream(gate) << "go\n";
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = !watch.Running();
        if (!ended) std::this_thread::sleep_for(25ms);
    }
    EXPECT_TRUE(ended) << "still running after it ended";

    // One that has ended and gone before it is watched is not running either.
    const pid_t quick = SpawnDetached({"/bin/true"});
    ASSERT_GT(quick, 0);
    while (kill(quick, 0) == 0) std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(ProcessWatch(quick).Running());
}

TEST_F(Process, AProgramThatCannotRunIsReportedAtOnce) {
    EXPECT_EQ(SpawnDetached({(dir / "missing").string()}), -1);
    EXPECT_EQ(SpawnDetached({}), -1);
}

// A program beside the videos (the working folder) is never run, however the PATH names that
// folder: empty entries, ".", relative ones.
TEST_F(Process, ProgramsAreNeverTakenFromTheCurrentFolder) {
    fs::create_directories(dir / "videos" / "bin");
    fs::create_directories(dir / "system");
    for (const fs::path& tool : {dir / "videos" / "ffmpeg", dir / "videos" / "bin" / "ffmpeg", dir / "system" / "ffmpeg"}) {
        std::ofstream(tool) << "#!/bin/sh\n";
        fs::permissions(tool, fs::perms::owner_all);
    }
    const fs::path previous = fs::current_path();
    const std::string savedPath = std::getenv("PATH");
    fs::current_path(dir / "videos");
    const std::string system = (dir / "system").string();
    for (const std::string& path : {":" + system, system + ":", ".:" + system, "bin:" + system, "::" + system}) {
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(talvenor::linux_backend::ResolveProgram({}, "ffmpeg"), system + "/ffmpeg") << "PATH=" << path;
    }
    setenv("PATH", ":bin:.", 1);
    EXPECT_EQ(talvenor::linux_backend::ResolveProgram({}, "ffmpeg"), "");
    setenv("PATH", savedPath.c_str(), 1);
    fs::current_path(previous);
}

TEST_F(Process, TheConsoleOnStandbyRunsWhatItIsHanded) {
    StandbyConsole none;
    EXPECT_FALSE(none.Start(""));
    EXPECT_EQ(none.Hand({"--title", "T"}), -1);

    // A terminal that runs what follows -e with its output in a file.
    const fs::path terminal = dir / "terminal";
    std::ofstream(terminal) << "#!/bin/sh\nwhile [ \"$1\" != -e ]; do shift; done; shift\nexec \"$@\" > \""
                            << (dir / "window").string() << "\" 2>&1 </dev/null\n";
    fs::permissions(terminal, fs::perms::owner_all);
    StandbyConsole standby;
    ASSERT_TRUE(standby.Start(TALVENOR_CONSOLE));
    EXPECT_TRUE(standby.Ready());
    const pid_t pid = standby.Hand({"--cwd", dir.string(), "--title", "T", "--terminal", terminal.string(), "--",
                                    "/bin/sh", "-c", "pwd; echo \"<$1>\"; echo end", "sh", "x y"});
    EXPECT_GT(pid, 0);
    EXPECT_FALSE(standby.Ready());
    EXPECT_EQ(ReadWhenDone(dir / "window"), dir.string() + "\n<x y>\n");
    // Handed again, it is gone: the caller starts a console itself.
    EXPECT_EQ(standby.Hand({"--title", "T"}), -1);
}

}  // namespace
