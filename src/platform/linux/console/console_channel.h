/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The private channel between a conversion console and the window that shows it.
 *
 * The console makes a socket file in a fresh folder that only its user may enter (under
 * $XDG_RUNTIME_DIR, else under the temporary folder), hands the pseudo-terminal's master side to
 * the one window it started and removes the folder at once. Each end checks the other's
 * credentials: same user, and the very program and process it expects.
 */
#ifndef TALVENOR_CONSOLE_CHANNEL_H
#define TALVENOR_CONSOLE_CHANNEL_H

#include <limits.h>
#include <stdbool.h>
#include <stddef.h>
#include <sys/types.h>

#define CHANNEL_PATH_MAX 108 /* the room in a Unix socket address */

struct Channel {
    int listener;
    char folder[CHANNEL_PATH_MAX];
    char path[CHANNEL_PATH_MAX];
};

/* Makes the folder and the listening socket; false (and nothing left behind) when it cannot. */
bool ChannelOpen(struct Channel* channel);
/* Removes the socket and its folder and stops listening; harmless when already closed. */
void ChannelClose(struct Channel* channel);

/* Whether the peer of `socket` is this very program file, run by our user as "--attach PATH ..."
 * for this channel (the window this console started), once it has checked us in turn. */
bool PeerIsOurWindow(int socket, const char* path);
/* Whether the peer of `socket` is process `pid`, run by our user from this very program file;
 * if so, tells it that we are its window. */
bool PeerIsProcess(int socket, pid_t pid);

/* The pseudo-terminal's master side, with one byte of data as SCM_RIGHTS needs. The receiver
 * takes exactly one terminal and closes whatever else came with it; -1 when it got none. */
int SendDescriptor(int socket, int fd);
int ReceiveDescriptor(int socket);

/* How the program ended, once it has: "S<code>\n", the code -1 (unknown), 0 to 255, or
 * CHANNEL_STATUS_NOT_NAMED: it ended well, but its file could not be given its name. */
#define CHANNEL_STATUS_UNKNOWN (-1)
#define CHANNEL_STATUS_NOT_NAMED 256
#define CHANNEL_STATUS_NOT_YET INT_MIN /* nothing to read yet, when not waiting */
void SendStatus(int socket, int status);
/* Reads the status line into `buffer`, which keeps what came so far between calls; waits for it
 * or returns CHANNEL_STATUS_NOT_YET. CHANNEL_STATUS_UNKNOWN when the other side went away without
 * it or sent something else. */
int ReadStatus(int socket, char* buffer, size_t* used, size_t capacity, bool wait);

#endif
