#include "linux_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace talvenor::linux_backend {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Reads exactly `size` bytes unless the other end closes first.
bool ReadAll(int fd, void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) close(fd);
    }
};

// What the terminal runs: the tool, then on failure a message and a wait for Enter. The file
// names arrive as positional parameters and are never parsed as shell text.
constexpr char kTerminalScript[] =
    "\"$@\"; status=$?; "
    "if [ \"$status\" -ne 0 ]; then "
    "printf '\\n%s (code %s).\\n%s' 'La conversion a échoué' \"$status\" "
    "'Appuyez sur Entrée pour fermer cette fenêtre.'; read reply; fi";

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
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        if (IsExecutableFile(dir + "/" + program)) return dir + "/" + program;
        start = end + 1;
    }
    return {};
}

pid_t SpawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    // Everything the children need is prepared here: after fork only async-signal-safe calls.
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    FdGuard devNull{open("/dev/null", O_RDWR | O_CLOEXEC)};

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -1;
    FdGuard readEnd{report[0]};
    FdGuard writeEnd{report[1]};

    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) {
            // The middle process only tells the grandchild's id and leaves, so no zombie stays.
            (void)!write(report[1], &grandchild, sizeof grandchild);
            _exit(0);
        }
        if (devNull.fd >= 0) {
            dup2(devNull.fd, STDIN_FILENO);
            dup2(devNull.fd, STDOUT_FILENO);
            dup2(devNull.fd, STDERR_FILENO);
        }
        execv(args[0], args.data());
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(writeEnd.fd);
    writeEnd.fd = -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    pid_t started = -1;
    if (!ReadAll(readEnd.fd, &started, sizeof started) || started <= 0) return -1;
    // The pipe closes without a word when exec succeeds; an errno means it did not.
    int error = 0;
    if (ReadAll(readEnd.fd, &error, sizeof error)) return -1;
    return started;
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

}  // namespace talvenor::linux_backend
