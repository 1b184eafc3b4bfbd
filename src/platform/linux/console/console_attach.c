/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The side inside the terminal window: the pseudo-terminal copied to and from the window, the
 * tool's progress in its title and the desktop's bar, the message when the tool failed. */
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

/* How the program ended, as far as its status tells. */
static enum ToolEnd EndOf(int code) {
    if (code == CHANNEL_STATUS_NOT_NAMED) return TOOL_NOT_NAMED;
    if (code == 127) return TOOL_NOT_STARTED;
    if (code <= 128 || code >= 128 + 64) return TOOL_FAILED;
    switch (code - 128) {
        case SIGSEGV: case SIGBUS: case SIGILL: case SIGFPE: case SIGABRT: return TOOL_CRASHED;
        default: return TOOL_KILLED;
    }
}

/* Waits for Entrée. Nothing but Entrée, or the window's closing (a hang-up, or the end of its
 * input), ends the wait: not a resize, not a key that would send a signal. */
static void WaitForEnter(void) {
    signal(SIGWINCH, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
    signal(SIGTSTP, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    char c = 0;
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || c == '\n' || c == '\r') return;
    }
}

int Attach(const char* path, pid_t console, const char* tool) {
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
        /* Its last lines may say why it failed. */
        (void)ProgressReaderFeed(&show.reader, buffer, (size_t)got);
    }
    /* A last line left without its end. */
    (void)ProgressReaderFeed(&show.reader, "\n", 1);
    if (code == CHANNEL_STATUS_NOT_YET) code = ReadStatus(peer, status, &statusUsed, sizeof status, true);
    close(master);
    if (interactive) tcsetattr(STDIN_FILENO, TCSANOW, &saved);

    /* Done: the bar goes; failed: it stays, in its error state. */
    if (show.shown && ProgressPercent(&show.reader) >= 0) printf("\033]9;4;%s\033\\", code == 0 ? "0" : "2;100");
    if (code == 0) return 0;
    if (show.shown) {
        char failed[400];
        ProgressFailedTitle(tool, failed, sizeof failed);
        printf("\033]0;%s\033\\", failed);
    }
    if (code == kStatusUnknown) {
        printf("\n%s (code inconnu).\n", TALVENOR_CONVERSION_FAILED);
    } else if (code != CHANNEL_STATUS_NOT_NAMED) {
        printf("\n%s (code %d).\n", TALVENOR_CONVERSION_FAILED, code);
    } else {
        printf("\n");
    }
    printf("%s\n%s", ProgressFailureReason(&show.reader, EndOf(code)), TALVENOR_PRESS_ENTER);
    fflush(stdout);
    WaitForEnter();
    return code == kStatusUnknown ? 1 : code;
}

