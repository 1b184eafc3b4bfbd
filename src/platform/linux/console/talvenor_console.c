/* SPDX-License-Identifier: GPL-3.0-or-later */
/* talvenor-console: runs a conversion at once and shows it in a terminal window.
 *
 * Starting the tool behind a terminal would make it wait for the terminal's own start-up (a tenth
 * of a second or more). Instead Talvenor starts this small program, which
 *
 *   talvenor-console --title TITLE --terminal TERMINAL -- PROGRAM ARG...
 *
 * starts PROGRAM at once on a new pseudo-terminal of its own, then opens TERMINAL running
 *
 *   talvenor-console --attach SOCKET PID
 *
 * which connects back through a socket in a folder only our user may enter (console_channel.c),
 * checks that it reached console PID, receives the pseudo-terminal's master side and copies
 * between it and the terminal window. Output written before the window is up waits in
 * the pseudo-terminal. When PROGRAM ends, its exit status is sent over the socket; on failure the
 * window stays open with a message until Enter is pressed. Closing the window hangs up PROGRAM's
 * terminal, as closing a terminal does.
 *
 * The window's title and the desktop's progress bar show how far the tool is, read from its own
 * statistics lines (conversion_progress.c). With --report FD, once PROGRAM has ended, the line
 * "E<exit code> <milliseconds it ran>" is written to FD for the program that started us.
 *
 * Talvenor also keeps one console waiting ahead of time:
 *
 *   talvenor-console --standby FD
 *
 * prepares its pseudo-terminal, then reads the same command line (each argument ended by
 * a NUL byte, "--cwd FOLDER" first) from FD until the other side closes it, so that a click only
 * costs the program's own exec; FD then carries the report back. Handed nothing, it ends without
 * opening anything.
 *
 * Arguments reach PROGRAM exactly as given: nothing is parsed by a shell.
 */
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

extern char** environ;

enum {
    kAttachWaitMs = 30000, /* how long a conversion waits for its window before running unseen */
    kStatusUnknown = CHANNEL_STATUS_UNKNOWN,
    kProgressRepeatMs = 3000, /* how often the progress bar is sent again */
};

/* Where the program that handed us the conversion learns how it ended; -1: nobody asked. */
static int reportFd = -1;

static long long NowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

static int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        data += written;
        size -= (size_t)written;
    }
    return 0;
}

/* ---- The side that runs the program ---------------------------------------------------------- */

static void InitSpawnAttributes(posix_spawnattr_t* attributes) {
    posix_spawnattr_init(attributes);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigdefault(attributes, &defaults);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(attributes, &empty);
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
    InitSpawnAttributes(&attributes);
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

static bool NamesUtf8(const char* locale) {
    return strcasestr(locale, "utf-8") != NULL || strcasestr(locale, "utf8") != NULL;
}

static const char* EnvironmentValue(const char* name) {
    const char* value = getenv(name);
    return value != NULL && value[0] != '\0' ? value : NULL;
}

/* The window must read as UTF-8 what the program and we write, whatever the session's locale:
 * where the session's character type is not UTF-8, the terminal gets LC_CTYPE=C.UTF-8 and keeps
 * the rest of it (an LC_ALL, which would win over LC_CTYPE, becomes its LANG). NULL: keep ours. */
static char** TerminalEnvironment(void) {
    const char* all = EnvironmentValue("LC_ALL");
    const char* ctype = all != NULL ? all : EnvironmentValue("LC_CTYPE");
    if (ctype == NULL) ctype = EnvironmentValue("LANG");
    if (ctype != NULL && NamesUtf8(ctype)) return NULL;
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
    InitSpawnAttributes(&attributes);
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

/* What a conversion needs before its program starts: made while a console waits on standby. */
struct Session {
    int master;
    const char* slave;
    char self[PATH_MAX];
    int exitCode;    /* the program's, once it has ended */
    long long runMs; /* how long it ran */
};

static int Prepare(struct Session* session) {
    /* The user may close the window at any time; we end when the program has. */
    signal(SIGPIPE, SIG_IGN);
    signal(SIGHUP, SIG_IGN);

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

static int Run(struct Session* session, const char* title, const char* terminal, char** program) {
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

/* ---- The side inside the terminal window ----------------------------------------------------- */

static volatile sig_atomic_t resized = 0;
static void OnResize(int signal) {
    (void)signal;
    resized = 1;
}

static void CopySize(int from, int to) {
    struct winsize size;
    if (ioctl(from, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) ioctl(to, TIOCSWINSZ, &size);
}

/* The window's title and the desktop's progress bar follow the tool's statistics lines. They are
 * written only where the tool's output stands at a line's end, never inside its own sequences,
 * and the bar again every few seconds, as some terminals drop a stale one. */
struct ProgressShow {
    struct ProgressReader reader;
    const char* tool;
    bool changed, atLineEnd, shown; /* shown: there is a terminal to read the sequences */
    long long sentMs;
};

static void ShowProgress(struct ProgressShow* show, const char* bytes, size_t size) {
    if (size > 0) {
        show->changed |= ProgressReaderFeed(&show->reader, bytes, size) != 0;
        show->atLineEnd = bytes[size - 1] == '\r' || bytes[size - 1] == '\n';
    }
    const int percent = ProgressPercent(&show->reader);
    if (!show->shown || !show->atLineEnd || !(show->changed || (percent >= 0 && NowMs() - show->sentMs >= kProgressRepeatMs))) return;
    char sequences[512];
    int length = 0;
    if (show->changed) {
        char title[400];
        ProgressTitle(&show->reader, show->tool, title, sizeof title);
        length = snprintf(sequences, sizeof sequences, "\033]0;%s\033\\", title);
    }
    if (percent >= 0) length += snprintf(sequences + length, sizeof sequences - (size_t)length, "\033]9;4;1;%d\033\\", percent);
    (void)WriteAll(STDOUT_FILENO, sequences, (size_t)length);
    show->changed = false;
    show->sentMs = NowMs();
}

static int Attach(const char* path, pid_t console, const char* tool) {
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    const int peer = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int error = ENAMETOOLONG;
    if (strlen(path) < sizeof address.sun_path) {
        memcpy(address.sun_path, path, strlen(path) + 1);
        error = peer >= 0 && connect(peer, (struct sockaddr*)&address, sizeof address) == 0 ? 0 : errno;
    }
    if (error != 0) {
        fprintf(stderr, "talvenor-console : la conversion est introuvable (%s).\n", strerror(error));
        return 1;
    }
    /* Whatever answers must be the console that started this window, not a stand-in for it. */
    if (!PeerIsProcess(peer, console)) {
        fprintf(stderr, "talvenor-console : cette fenêtre refuse une conversion qui n'est pas la sienne.\n");
        return 1;
    }
    const int master = ReceiveDescriptor(peer);
    if (master < 0) {
        fprintf(stderr, "talvenor-console : la conversion n'a pas pu être reliée à cette fenêtre.\n");
        return 1;
    }

    const bool interactive = isatty(STDIN_FILENO);
    struct termios saved;
    if (interactive && tcgetattr(STDIN_FILENO, &saved) == 0) {
        /* Every key goes to the program as typed; its own terminal settings decide what they do. */
        struct termios raw = saved;
        cfmakeraw(&raw);
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        CopySize(STDIN_FILENO, master);
        struct sigaction action = {0};
        action.sa_handler = OnResize;
        sigaction(SIGWINCH, &action, NULL);
    }

    char buffer[8192];
    char status[64];
    size_t statusUsed = 0;
    int code = CHANNEL_STATUS_NOT_YET;
    bool input = true;
    /* The title from here on, written as UTF-8 whatever the terminal made of the one it was given. */
    struct ProgressShow show = {.tool = tool, .changed = true, .atLineEnd = true, .shown = isatty(STDOUT_FILENO)};
    ProgressReaderInit(&show.reader);
    ShowProgress(&show, NULL, 0);
    for (;;) {
        if (resized) {
            resized = 0;
            CopySize(STDIN_FILENO, master);
        }
        struct pollfd fds[3] = {{master, POLLIN, 0}, {peer, POLLIN, 0}, {input ? STDIN_FILENO : -1, POLLIN, 0}};
        const int ready = poll(fds, 3, kProgressRepeatMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (ready == 0) ShowProgress(&show, NULL, 0);
        if (fds[0].revents != 0) {
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got > 0) {
                if (WriteAll(STDOUT_FILENO, buffer, (size_t)got) != 0) break;
                ShowProgress(&show, buffer, (size_t)got);
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            /* EIO: every holder of the program's terminal has closed it. */
            break;
        }
        if (fds[2].revents != 0) {
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got > 0) {
                (void)WriteAll(master, buffer, (size_t)got);
            } else if (got == 0 || errno != EINTR) {
                input = false;
            }
        }
        if (fds[1].revents != 0) {
            /* The program ended while something (a child of it) still holds its terminal. */
            code = ReadStatus(peer, status, &statusUsed, sizeof status, false);
            if (code != CHANNEL_STATUS_NOT_YET) break;
        }
    }
    /* What is still waiting in the terminal, then the status. */
    for (;;) {
        struct pollfd fd = {master, POLLIN, 0};
        if (poll(&fd, 1, 0) <= 0) break;
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0 || WriteAll(STDOUT_FILENO, buffer, (size_t)got) != 0) break;
    }
    if (code == CHANNEL_STATUS_NOT_YET) code = ReadStatus(peer, status, &statusUsed, sizeof status, true);
    close(master);
    if (interactive) tcsetattr(STDIN_FILENO, TCSANOW, &saved);

    /* Done: the bar goes; failed: it stays, in its error state. */
    if (show.shown && ProgressPercent(&show.reader) >= 0) printf("\033]9;4;%s\033\\", code == 0 ? "0" : "2;100");
    if (code == 0) return 0;
    if (code == kStatusUnknown) {
        printf("\n%s (code inconnu).\n%s", TALVENOR_CONVERSION_FAILED, TALVENOR_PRESS_ENTER);
    } else {
        printf("\n%s (code %d).\n%s", TALVENOR_CONVERSION_FAILED, code, TALVENOR_PRESS_ENTER);
    }
    fflush(stdout);
    for (int c = getchar(); c != EOF && c != '\n' && c != '\r'; c = getchar()) {
    }
    return code == kStatusUnknown ? 1 : code;
}

static void Usage(void) {
    fprintf(stderr,
            "usage : talvenor-console [--cwd DOSSIER] [--report FD] --title TITRE --terminal TERMINAL -- PROGRAMME [ARGUMENT...]\n"
            "        talvenor-console --standby FD\n"
            "        talvenor-console --attach SOCKET PID OUTIL\n");
}

/* argv[0] is the program's own name; the options come before "--" and the program after it.
 * `session` is what was prepared ahead, or NULL. */
static int RunCommandLine(int argc, char** argv, struct Session* session) {
    const char* title = NULL;
    const char* terminal = NULL;
    const char* dir = NULL;
    int i = 1;
    for (; i + 1 < argc && strcmp(argv[i], "--") != 0; i += 2) {
        if (strcmp(argv[i], "--title") == 0) {
            title = argv[i + 1];
        } else if (strcmp(argv[i], "--terminal") == 0) {
            terminal = argv[i + 1];
        } else if (strcmp(argv[i], "--report") == 0) {
            reportFd = atoi(argv[i + 1]);
        } else if (strcmp(argv[i], "--cwd") == 0) {
            dir = argv[i + 1];
        } else {
            break;
        }
    }
    if (title == NULL || terminal == NULL || i + 1 >= argc || strcmp(argv[i], "--") != 0) {
        Usage();
        return 2;
    }
    /* A folder gone meanwhile: the tool then fails to find its file, in the window, where it shows. */
    if (dir != NULL && chdir(dir) != 0) dir = NULL;
    struct Session fresh;
    if (session == NULL) {
        if (Prepare(&fresh) != 0) {
            /* No pseudo-terminal to be had: the terminal runs the tool itself, as a plain terminal would. */
            char** program = argv + i + 1;
            int count = 0;
            while (program[count] != NULL) ++count;
            char** direct = calloc((size_t)count + 5, sizeof *direct);
            if (direct == NULL) return 125;
            direct[0] = (char*)terminal;
            direct[1] = "-T";
            direct[2] = (char*)title;
            direct[3] = "-e";
            memcpy(direct + 4, program, (size_t)count * sizeof *direct);
            char** utf8 = TerminalEnvironment();
            execve(terminal, direct, utf8 != NULL ? utf8 : environ);
            free(utf8);
            free(direct);
            return 125;
        }
        session = &fresh;
    }
    const int status = Run(session, title, terminal, argv + i + 1);
    if (reportFd >= 0) dprintf(reportFd, "E%d %lld\n", session->exitCode, session->runMs);
    return status;
}

/* Runs the command line read on standby: `size` bytes of arguments, each ended by a NUL byte. */
static int RunJob(char* job, size_t size, struct Session* session) {
    int count = 1;
    for (size_t k = 0; k < size; ++k) count += job[k] == '\0';
    char** argv = calloc((size_t)count + 1, sizeof *argv);
    if (argv == NULL) return 1;
    argv[0] = "talvenor-console";
    int argc = 1;
    for (size_t k = 0; k < size; k += strlen(job + k) + 1) argv[argc++] = job + k;
    argv[argc] = NULL;
    const int status = RunCommandLine(argc, argv, session);
    free(argv);
    return status;
}

/* Started ahead of time, so that a click finds it ready: waits on `fd` for its command line, its
 * arguments each ended by a NUL byte, until the other side closes. Nothing at all: nothing to do. */
static int Standby(int fd) {
    struct Session session;
    /* Without a pseudo-terminal, leave it to the program to start a console the plain way. */
    if (Prepare(&session) != 0) return 125;
    size_t size = 0, capacity = 4096;
    char* job = malloc(capacity);
    int status = job == NULL ? 1 : 0;
    while (status == 0) {
        const ssize_t got = read(fd, job + size, capacity - size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            status = got < 0 ? 1 : 0;
            break;
        }
        size += (size_t)got;
        if (size == capacity) {
            /* On failure the block stays ours, to be freed below. */
            char* larger = realloc(job, capacity * 2);
            if (larger == NULL) {
                status = 1;
            } else {
                job = larger;
                capacity *= 2;
            }
        }
    }
    /* The same descriptor carries back how the conversion ended. */
    reportFd = fd;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (status == 0 && size > 0) status = job[size - 1] != '\0' ? 2 : RunJob(job, size, &session);
    free(job);
    return status;
}

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "--attach") == 0) return Attach(argv[2], (pid_t)atol(argv[3]), argv[4]);
    if (argc == 3 && strcmp(argv[1], "--standby") == 0) return Standby(atoi(argv[2]));
    return RunCommandLine(argc, argv, NULL);
}
