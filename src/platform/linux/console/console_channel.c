/* SPDX-License-Identifier: GPL-3.0-or-later */
#define _GNU_SOURCE
#include "console_channel.h"

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

enum { kWindowWord = 'W', kWindowWordMs = 2000 };

/* A base folder fit for private folders: absolute, an existing folder, ours or sticky (/tmp). */
static bool UsableBase(const char* base) {
    struct stat info;
    if (base == NULL || base[0] != '/' || stat(base, &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return info.st_uid == getuid() || (info.st_mode & S_ISVTX) != 0;
}

static bool OpenIn(struct Channel* channel, const char* base) {
    if (!UsableBase(base)) return false;
    /* The socket's own name is short: the folder may take the rest of the address. */
    if (snprintf(channel->folder, sizeof channel->folder, "%s/talvenor-console-XXXXXX", base) >=
        (int)sizeof channel->folder - 3) {
        return false;
    }
    if (mkdtemp(channel->folder) == NULL) return false; /* mode 0700 */
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
    char line[2 * CHANNEL_PATH_MAX + 64];
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
    char byte = 'M';
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
    union {
        struct cmsghdr header;
        char space[CMSG_SPACE(sizeof(int))];
    } control;
    struct msghdr message = {0};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.space;
    message.msg_controllen = sizeof control.space;
    if (recvmsg(socket, &message, MSG_CMSG_CLOEXEC) != 1) return -1;
    for (struct cmsghdr* header = CMSG_FIRSTHDR(&message); header != NULL; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS) {
            int fd = -1;
            memcpy(&fd, CMSG_DATA(header), sizeof fd);
            return fd;
        }
    }
    return -1;
}
