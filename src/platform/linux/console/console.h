/* SPDX-License-Identifier: GPL-3.0-or-later */
/* What the conversion console's three parts share: the command line (talvenor_console.c),
 * running the tool (console_run.c) and attaching the terminal window (console_attach.c). */
#pragma once

#include <stddef.h>

#include "console_channel.h"
#include <sys/types.h>

enum {
    kAttachWaitMs = 30000, /* how long a conversion waits for its window before running unseen */
    kStatusUnknown = CHANNEL_STATUS_UNKNOWN,
    kProgressRepeatMs = 3000, /* how often the progress bar is sent again */
};

/* What a conversion needs before its program starts: made while a console waits on standby. */
struct Session {
    int master;
    const char* slave;
    char self[PATH_MAX];
    const char* output;  /* the file the program makes, and the name it writes it under; both */
    const char* partial; /* NULL when the program writes its file under its own name */
    int exitCode;    /* the program's, once it has ended; CHANNEL_STATUS_NOT_NAMED: it ended well but
                        its file kept its temporary name */
    long long runMs; /* how long it ran */
};

/* The monotonic clock in milliseconds. */
long long NowMs(void);
/* Writes all of `data`; -1 when the other side has gone. */
int WriteAll(int fd, const char* data, size_t size);
/* Our environment with the terminal's locale made UTF-8; NULL: ours will do. Free it after use. */
char** TerminalEnvironment(void);
/* Makes the pseudo-terminal ready and finds our own executable; 0, or 125 when it cannot. */
int Prepare(struct Session* session);
/* Starts `program` at once, then the terminal window that attaches to it; returns once the program
 * has ended and the window has its status (or no window came). */
int Run(struct Session* session, const char* title, const char* terminal, char** program);
/* The side inside the terminal window: connects to console `console` through `path` and copies
 * between its pseudo-terminal and the window, showing how far `tool` is. */
int Attach(const char* path, pid_t console, const char* tool);
