/* SPDX-License-Identifier: GPL-3.0-or-later */
#define _GNU_SOURCE
#include "console_channel.h"

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

enum { kWindowWord = 'W', kWindowWordMs = 2000, kDescriptorWord = 'M' };

/* A base folder fit for private folders: absolute, an existing folder, ours or sticky (/tmp). */
static bool UsableBase(const char* base) {
    struct stat info;
    if (base == NULL || base[0] != '/' || stat(base, &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return info.st_uid == getuid() || (info.st_mode & S_ISVTX) != 0;
}

static bool OpenIn(struct Channel* channel, const char* base) {
    if (!UsableBase(base)) return false;
    /* The socket's own name is short: the folder may take the rest of the address. A name cut
     * short, or one mkdtemp did not make, is no folder of ours: nothing to remove later. */
    if (snprintf(channel->folder, sizeof channel->folder, "%s/talvenor-console-XXXXXX", base) >=
            (int)sizeof channel->folder - 3 ||
        mkdtemp(channel->folder) == NULL) { /* mode 0700 */
        channel->folder[0] = '\0';
        return false;
    }
    memcpy(channel->path, channel->folder, strlen(channel->folder));
    memcpy(channel->path + strlen(channel->folder), "/s", 3);
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    memcpy(address.sun_path, channel->path, strlen(channel->path) + 1);
    channel->listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (channel->listener >= 0 && bind(channel->listener, (struct sockaddr*)&address, sizeof address) == 0 &&
        listen(channel->listener, 4) == 0) {
        return true;
    }
    ChannelClose(channel);
    return false;
}

bool ChannelOpen(struct Channel* channel) {
    channel->listener = -1;
    channel->folder[0] = channel->path[0] = '\0';
    if (OpenIn(channel, getenv("XDG_RUNTIME_DIR"))) return true;
    if (OpenIn(channel, getenv("TMPDIR"))) return true;
    return OpenIn(channel, "/tmp");
}

void ChannelClose(struct Channel* channel) {
    if (channel->listener >= 0) close(channel->listener);
    channel->listener = -1;
    if (channel->path[0] != '\0') unlink(channel->path);
    if (channel->folder[0] != '\0') rmdir(channel->folder);
    channel->folder[0] = channel->path[0] = '\0';
}

static bool PeerCredentials(int socket, struct ucred* peer) {
    socklen_t length = sizeof *peer;
    return getsockopt(socket, SOL_SOCKET, SO_PEERCRED, peer, &length) == 0 && peer->uid == getuid();
}

/* Whether process `pid` runs the same program file as we do. */
static bool RunsOurProgram(pid_t pid) {
    char exe[64];
    snprintf(exe, sizeof exe, "/proc/%ld/exe", (long)pid);
    struct stat theirs, ours;
    return stat(exe, &theirs) == 0 && stat("/proc/self/exe", &ours) == 0 && theirs.st_dev == ours.st_dev &&
           theirs.st_ino == ours.st_ino;
}

bool PeerIsOurWindow(int socket, const char* path) {
    struct ucred peer;
    if (!PeerCredentials(socket, &peer) || !RunsOurProgram(peer.pid)) return false;
    /* The window checks us in turn while we wait for its word, so we are there to be checked. */
    struct pollfd word = {socket, POLLIN, 0};
    char byte = 0;
    if (poll(&word, 1, kWindowWordMs) != 1 || read(socket, &byte, 1) != 1 || byte != kWindowWord) return false;
    char name[64];
    snprintf(name, sizeof name, "/proc/%ld/cmdline", (long)peer.pid);
    FILE* file = fopen(name, "re");
    if (file == NULL) return false;
    /* Room for what is compared: our own program's path, "--attach" and the channel's path. */
    char line[PATH_MAX + sizeof "--attach" + CHANNEL_PATH_MAX + 1];
    const size_t size = fread(line, 1, sizeof line - 1, file);
    fclose(file);
    line[size] = '\0';
    /* argv[0], then "--attach", then our path. */
    const size_t first = strlen(line) + 1;
    if (first >= size || strcmp(line + first, "--attach") != 0) return false;
    const size_t second = first + strlen(line + first) + 1;
    return second < size && strcmp(line + second, path) == 0;
}

bool PeerIsProcess(int socket, pid_t pid) {
    struct ucred peer;
    const char byte = kWindowWord;
    return PeerCredentials(socket, &peer) && peer.pid == pid && RunsOurProgram(pid) &&
           send(socket, &byte, 1, MSG_NOSIGNAL) == 1;
}

int SendDescriptor(int socket, int fd) {
    char byte = kDescriptorWord;
    struct iovec part = {&byte, 1};
    union {
        struct cmsghdr header;
        char space[CMSG_SPACE(sizeof(int))];
    } control;
    memset(&control, 0, sizeof control);
    struct msghdr message = {0};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.space;
    message.msg_controllen = sizeof control.space;
    struct cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(header), &fd, sizeof(int));
    return sendmsg(socket, &message, MSG_NOSIGNAL) == 1 ? 0 : -1;
}

int ReceiveDescriptor(int socket) {
    char byte = 0;
    struct iovec part = {&byte, 1};
    /* Room for more than the one descriptor expected, so that extra ones arrive to be closed. */
    union {
        struct cmsghdr header;
        char space[CMSG_SPACE(4 * sizeof(int))];
    } control;
    struct msghdr message = {0};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.space;
    message.msg_controllen = sizeof control.space;
    if (recvmsg(socket, &message, MSG_CMSG_CLOEXEC) != 1) return -1;
    int kept = -1, count = 0;
    for (struct cmsghdr* header = CMSG_FIRSTHDR(&message); header != NULL; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
        const size_t fds = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t k = 0; k < fds; ++k) {
            int fd = -1;
            memcpy(&fd, CMSG_DATA(header) + k * sizeof fd, sizeof fd);
            if (count++ == 0) {
                kept = fd;
            } else {
                close(fd);
            }
        }
    }
    /* Exactly one descriptor, nothing cut off, and a pseudo-terminal's master side (only that
     * answers TIOCGPTN): anything else is refused. */
    unsigned int number = 0;
    const bool whole = byte == kDescriptorWord && (message.msg_flags & MSG_CTRUNC) == 0 && count == 1;
    if (kept >= 0 && (!whole || ioctl(kept, TIOCGPTN, &number) != 0)) {
        close(kept);
        kept = -1;
    }
    return kept;
}

void SendStatus(int socket, int status) {
    char line[32];
    const int length = snprintf(line, sizeof line, "S%d\n", status);
    (void)send(socket, line, (size_t)length, MSG_NOSIGNAL);
}

/* The code of a whole status line, `length` bytes without its end: "S0" to "S256" as SendStatus
 * writes them; CHANNEL_STATUS_UNKNOWN for anything else ("S-1" included). */
static int StatusCode(const char* line, size_t length) {
    if (length < 2 || length > 4 || line[0] != 'S' || (line[1] == '0' && length > 2)) return CHANNEL_STATUS_UNKNOWN;
    int code = 0;
    for (size_t k = 1; k < length; ++k) {
        if (line[k] < '0' || line[k] > '9') return CHANNEL_STATUS_UNKNOWN;
        code = code * 10 + (line[k] - '0');
    }
    return code <= CHANNEL_STATUS_NOT_NAMED ? code : CHANNEL_STATUS_UNKNOWN;
}

int ReadStatus(int socket, char* buffer, size_t* used, size_t capacity, bool wait) {
    for (;;) {
        char* end = memchr(buffer, '\n', *used);
        if (end != NULL) return StatusCode(buffer, (size_t)(end - buffer));
        if (*used + 1 >= capacity) return CHANNEL_STATUS_UNKNOWN;
        if (!wait) {
            struct pollfd fd = {socket, POLLIN, 0};
            if (poll(&fd, 1, 0) <= 0) return CHANNEL_STATUS_NOT_YET;
        }
        const ssize_t got = read(socket, buffer + *used, capacity - 1 - *used);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return CHANNEL_STATUS_UNKNOWN;
        *used += (size_t)got;
    }
}
