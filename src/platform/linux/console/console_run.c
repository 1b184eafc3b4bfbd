/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The side that runs the program: its pseudo-terminal, its start, the terminal window's start. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "console_channel.h"
#include "console_words.h"
#include "conversion_progress.h"

#include "console.h"
#include "linux_spawn.h"

extern char** environ;

long long NowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        data += written;
        size -= (size_t)written;
    }
    return 0;
}

/* Starts argv[0] with the slave side of the pseudo-terminal as its controlling terminal and its
 * three standard streams. Returns its pid, or -1 with errno set. */
static pid_t StartProgram(char** argv, const char* slave) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    /* In a session of its own and without O_NOCTTY, opening the terminal makes it the controlling one. */
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, slave, O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&files, STDIN_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&files, STDIN_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attributes;
    TalvenorSpawnAttributes(&attributes, SIGHUP);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &files, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return pid;
}

/* The window must read as UTF-8 what the program and we write, whatever the session's locale.
 * NULL: keep ours. */
char** TerminalEnvironment(void) {
    const char* all = NULL;
    if (TalvenorTerminalNeedsUtf8(&all) == 0) return NULL;
    size_t count = 0;
    while (environ[count] != NULL) ++count;
    char** changed = calloc(count + 3, sizeof *changed);
    if (changed == NULL) return NULL;
    size_t used = 0;
    for (size_t k = 0; k < count; ++k) {
        const char* entry = environ[k];
        if (strncmp(entry, "LC_CTYPE=", 9) == 0 || strncmp(entry, "LC_ALL=", 7) == 0) continue;
        if (all != NULL && strncmp(entry, "LANG=", 5) == 0) continue;
        changed[used++] = (char*)entry;
    }
    changed[used++] = "LC_CTYPE=C.UTF-8";
    if (all != NULL) {
        static char lang[256];
        snprintf(lang, sizeof lang, "LANG=%s", all);
        changed[used++] = lang;
    }
    return changed;
}

static pid_t StartTerminal(const char* terminal, const char* title, const char* self, const char* path,
                           const char* tool) {
    char console[24];
    snprintf(console, sizeof console, "%ld", (long)getpid());
    char* argv[] = {(char*)terminal, "-T", (char*)title, "-e", (char*)self, "--attach", (char*)path, console,
                    (char*)tool, NULL};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attributes;
    TalvenorSpawnAttributes(&attributes, SIGHUP);
    char** utf8 = TerminalEnvironment();
    pid_t pid = -1;
    const int error = posix_spawn(&pid, terminal, &files, &attributes, argv, utf8 != NULL ? utf8 : environ);
    free(utf8);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return error == 0 ? pid : -1;
}

/* The exit code shown to the user: the program's own, or 128 + the signal that ended it. */
static int ExitCode(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return kStatusUnknown;
}

/* The program's file once it has ended: under its own name when it ended well, gone otherwise. A
 * program that ended well without writing one leaves nothing to name, and an earlier file as it was. */
static void Settle(struct Session* session) {
    if (session->output == NULL) return;
    if (session->exitCode != 0) {
        (void)unlink(session->partial);
    } else if (rename(session->partial, session->output) != 0 && errno != ENOENT && errno != ENOTDIR) {
        session->exitCode = CHANNEL_STATUS_NOT_NAMED;
    }
}

int Prepare(struct Session* session) {
    /* The user may close the window at any time; we end when the program has. */
    signal(SIGPIPE, SIG_IGN);
    signal(SIGHUP, SIG_IGN);

    session->output = session->partial = NULL;
    session->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (session->master < 0 || grantpt(session->master) != 0 || unlockpt(session->master) != 0) return 125;
    session->slave = ptsname(session->master);
    if (session->slave == NULL) return 125;
    const struct winsize size = {.ws_row = 24, .ws_col = 80};
    ioctl(session->master, TIOCSWINSZ, &size);

    const ssize_t selfLength = readlink("/proc/self/exe", session->self, sizeof session->self - 1);
    if (selfLength <= 0) return 125;
    session->self[selfLength] = '\0';
    return 0;
}

int Run(struct Session* session, const char* title, const char* terminal, char** program) {
    /* The program first: it must not wait for the window. */
    const long long started = NowMs();
    const pid_t child = StartProgram(program, session->slave);
    session->exitCode = child < 0 ? 127 : kStatusUnknown;
    session->runMs = 0;
    bool running = child > 0;

    /* The channel exists only from now until the window has attached: nothing can take it ahead. */
    struct Channel channel;
    const bool listening = ChannelOpen(&channel);
    const char* slash = strrchr(program[0], '/');
    const pid_t window =
        listening ? StartTerminal(terminal, title, session->self, channel.path, slash ? slash + 1 : program[0]) : -1;
    if (window < 0) ChannelClose(&channel);

    int client = -1;
    int heldMaster = session->master;
    long long deadline = NowMs() + kAttachWaitMs;
    char sink[4096];
    for (;;) {
        if (running) {
            int waitStatus = 0;
            const pid_t ended = waitpid(child, &waitStatus, WNOHANG);
            if (ended == child) {
                running = false;
                session->exitCode = ExitCode(waitStatus);
                session->runMs = NowMs() - started;
                Settle(session);
            }
        }
        if (window > 0) (void)waitpid(window, NULL, WNOHANG);
        if (client >= 0 && !running) {
            SendStatus(client, session->exitCode);
            close(client);
            return 0;
        }
        const bool unseen = client < 0 && (window < 0 || NowMs() >= deadline);
        if (unseen) ChannelClose(&channel);
        if (unseen && !running) return 0;

        struct pollfd fds[3];
        nfds_t count = 0;
        if (channel.listener >= 0) fds[count++] = (struct pollfd){channel.listener, POLLIN, 0};
        /* No window will come: keep the program from blocking on a full terminal. */
        if (unseen && heldMaster >= 0) fds[count++] = (struct pollfd){heldMaster, POLLIN, 0};
        const int ready = poll(fds, count, 50);
        if (ready < 0 && errno != EINTR) {
            ChannelClose(&channel);
            return 125;
        }
        for (nfds_t i = 0; ready > 0 && i < count; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == channel.listener) {
                const int peer = accept4(channel.listener, NULL, NULL, SOCK_CLOEXEC);
                /* Only the window we started gets the terminal; anyone else is turned away. */
                if (peer >= 0 && PeerIsOurWindow(peer, channel.path) && SendDescriptor(peer, heldMaster) == 0) {
                    client = peer;
                    /* The window holds the only master now: closing it hangs up the program. */
                    close(heldMaster);
                    heldMaster = -1;
                    ChannelClose(&channel);
                    break;
                }
                if (peer >= 0) close(peer);
            } else if (fds[i].fd == heldMaster) {
                if (read(heldMaster, sink, sizeof sink) <= 0) {
                    close(heldMaster);
                    heldMaster = -1;
                }
            }
        }
    }
}

