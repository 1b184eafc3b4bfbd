/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Stands in for the programs Talvenor starts, so the bench times Talvenor and not them.
 *
 * Each call appends "NAME NANOSECONDS" (CLOCK_REALTIME, read first thing in main) to the file named
 * by TALVENOR_BENCH_LOG. Called as ffmpeg, ffplay or anything else, it then exits. Called as
 * x-terminal-emulator or xterm, it runs what follows -e in place of the terminal, so the time of a
 * real terminal's own start-up stays out of the figure.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void record(const char* name, const struct timespec* ts) {
    const char* log = getenv("TALVENOR_BENCH_LOG");
    if (log == NULL) return;
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    dprintf(fd, "%s %lld\n", name, (long long)ts->tv_sec * 1000000000LL + ts->tv_nsec);
    close(fd);
}

int main(int argc, char** argv) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const char* slash = strrchr(argv[0], '/');
    const char* name = slash != NULL ? slash + 1 : argv[0];
    record(name, &ts);

    if (strcmp(name, "x-terminal-emulator") == 0 || strcmp(name, "xterm") == 0) {
        for (int i = 1; i + 1 < argc; ++i) {
            if (strcmp(argv[i], "-e") == 0) {
                execvp(argv[i + 1], argv + i + 1);
                return 127;
            }
        }
        return 2;
    }
    return 0;
}
