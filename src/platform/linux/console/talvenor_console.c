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
 * With --output FILE --partial TEMPORARY, PROGRAM writes TEMPORARY: once it has ended well, the
 * file is renamed FILE (replacing an earlier one only then), and otherwise removed. This is done
 * here, outside the window, so that it holds when the window is closed or Talvenor has gone.
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

#include "console.h"
#include "linux_spawn.h"

extern char** environ;

/* Where the program that handed us the conversion learns how it ended; -1: nobody asked. */
static int reportFd = -1;

static void Usage(void) {
    fprintf(stderr,
            "usage : talvenor-console [--cwd DOSSIER] [--report FD] [--output FICHIER --partial PROVISOIRE] --title TITRE --terminal TERMINAL -- PROGRAMME [ARGUMENT...]\n"
            "        talvenor-console --standby FD\n"
            "        talvenor-console --attach SOCKET PID OUTIL\n");
}

/* argv[0] is the program's own name; the options come before "--" and the program after it.
 * `session` is what was prepared ahead, or NULL. */
static int RunCommandLine(int argc, char** argv, struct Session* session) {
    const char* title = NULL;
    const char* terminal = NULL;
    const char* dir = NULL;
    const char* output = NULL;
    const char* partial = NULL;
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
        } else if (strcmp(argv[i], "--output") == 0) {
            output = argv[i + 1];
        } else if (strcmp(argv[i], "--partial") == 0) {
            partial = argv[i + 1];
        } else {
            break;
        }
    }
    if (title == NULL || terminal == NULL || i + 1 >= argc || strcmp(argv[i], "--") != 0 ||
        (output == NULL) != (partial == NULL)) {
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
            char** direct = calloc((size_t)count + 11, sizeof *direct);
            if (direct == NULL) return 125;
            int used = 0;
            direct[used++] = (char*)terminal;
            direct[used++] = "-T";
            direct[used++] = (char*)title;
            direct[used++] = "-e";
            if (output != NULL) {
                /* A shell then sees to the file's name. */
                char* settling[] = {"/bin/sh", "-c", TALVENOR_SETTLING_SCRIPT, "talvenor", (char*)output, (char*)partial};
                memcpy(direct + used, settling, sizeof settling);
                used += 6;
            }
            memcpy(direct + used, program, (size_t)count * sizeof *direct);
            char** utf8 = TerminalEnvironment();
            execve(terminal, direct, utf8 != NULL ? utf8 : environ);
            free(utf8);
            free(direct);
            return 125;
        }
        session = &fresh;
    }
    session->output = output;
    session->partial = partial;
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
