/* SPDX-License-Identifier: GPL-3.0-or-later */
/* What the console's window reads on its channel: the message meant to hand it the terminal (any
 * number and kind of descriptors, any byte), then the status line in any pieces. The window keeps
 * a terminal's master side only when it came alone with its word, and no other descriptor; the
 * status is what SendStatus writes for 0 to 256, or unknown. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "console_channel.h"
#include "fuzz_check.h"

static int OpenDescriptors(void) {
    DIR* folder = opendir("/proc/self/fd");
    int count = 0;
    while (folder != NULL && readdir(folder) != NULL) ++count;
    if (folder != NULL) closedir(folder);
    return count;
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    /* How many descriptors ('0' to '6': at times more than the window makes room for), the kind
     * of each, the byte that carries them, the size of the status line's pieces, the line. */
    if (size < 3) return 0;
    const size_t sent = (uint8_t)(data[0] - '0') % 7;
    if (size < sent + 3) return 0;
    const int before = OpenDescriptors();
    int ends[2], fds[6], masters[6] = {-1, -1, -1, -1, -1, -1};
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
    for (size_t k = 0; k < sent; ++k) {
        /* A terminal's master side, /dev/null, or a terminal's other side. */
        const int kind = data[1 + k] % 3;
        fds[k] = kind == 1 ? open("/dev/null", O_RDWR) : posix_openpt(O_RDWR | O_NOCTTY);
        if (kind == 2 && fds[k] >= 0 && unlockpt(fds[k]) == 0) {
            masters[k] = fds[k]; /* kept open meanwhile: a terminal without it is hung up */
            fds[k] = open(ptsname(masters[k]), O_RDWR | O_NOCTTY);
        }
        FUZZ_CHECK(fds[k] >= 0);
    }
    char byte = (char)data[1 + sent];
    union {
        struct cmsghdr header;
        char space[CMSG_SPACE(sizeof fds)];
    } control;
    memset(&control, 0, sizeof control);
    struct iovec part = {&byte, 1};
    struct msghdr message = {.msg_iov = &part, .msg_iovlen = 1, .msg_control = sent ? control.space : NULL,
                             .msg_controllen = sent ? CMSG_SPACE(sent * sizeof(int)) : 0};
    if (sent > 0) {
        struct cmsghdr* header = CMSG_FIRSTHDR(&message);
        *header = (struct cmsghdr){.cmsg_len = CMSG_LEN(sent * sizeof(int)), .cmsg_level = SOL_SOCKET, .cmsg_type = SCM_RIGHTS};
        memcpy(CMSG_DATA(header), fds, sent * sizeof(int));
    }
    FUZZ_CHECK(sendmsg(ends[0], &message, 0) == 1);
    for (size_t k = 0; k < sent; ++k) close(fds[k]);
    const int received = ReceiveDescriptor(ends[1]);
    FUZZ_CHECK((received >= 0) == (sent == 1 && data[1] % 3 == 0 && byte == 'M'));
    if (received >= 0) close(received);
    for (size_t k = 0; k < sent; ++k) close(masters[k]);

    /* The status line, written in pieces, read as they come and then to its end. */
    const char* rest = (const char*)data + sent + 3;
    const size_t length = size - sent - 3, piece = 1 + data[2 + sent] % 16;
    char status[64];
    size_t used = 0;
    int code = CHANNEL_STATUS_NOT_YET;
    for (size_t at = 0; at < length && code == CHANNEL_STATUS_NOT_YET; at += piece) {
        FUZZ_CHECK(write(ends[0], rest + at, length - at < piece ? length - at : piece) > 0);
        code = ReadStatus(ends[1], status, &used, sizeof status, false);
    }
    shutdown(ends[0], SHUT_WR);
    if (code == CHANNEL_STATUS_NOT_YET) code = ReadStatus(ends[1], status, &used, sizeof status, true);
    int expected = CHANNEL_STATUS_UNKNOWN;
    const char* end = memchr(rest, '\n', length < sizeof status - 1 ? length : sizeof status - 1);
    for (int value = 0; value <= CHANNEL_STATUS_NOT_NAMED && end != NULL; ++value) {
        char line[8];
        if (snprintf(line, sizeof line, "S%d", value) == end - rest && memcmp(line, rest, (size_t)(end - rest)) == 0) expected = value;
    }
    FUZZ_CHECK(code == expected);
    close(ends[0]);
    close(ends[1]);
    FUZZ_CHECK(OpenDescriptors() == before);
    return 0;
}
