// Starting programs on Linux: what a started program receives, and the console kept on standby.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "linux_process.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using talvenor::linux_backend::SpawnDetached;
using talvenor::linux_backend::StandbyConsole;

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

TEST_F(Process, AProgramThatCannotRunIsReportedAtOnce) {
    EXPECT_EQ(SpawnDetached({(dir / "missing").string()}), -1);
    EXPECT_EQ(SpawnDetached({}), -1);
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
