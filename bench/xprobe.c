/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The bench's measuring hand, a small X client.
 *
 *   xprobe launch [--settle MS] [--size WxH] [--keep] -- PROGRAM ARGS...
 *       Starts PROGRAM and waits for a top-level window (of that size, if given) to be mapped,
 *       watching the root window's substructure, so no window manager may run. Prints
 *         startup_ms=... rss_kb=... hwm_kb=... libs=... lib_bytes=... window=0x... pid=... mapped_at=...
 *       with the memory and the shared objects mapped read from /proc, MS milliseconds (default 300)
 *       after the map, and the CLOCK_REALTIME seconds at which the map was seen. Ends the program
 *       afterwards unless --keep is given.
 *
 *   xprobe click WINDOW X Y
 *       Moves the pointer to (X, Y) inside WINDOW, then sends a press and a release of button 1
 *       through XTest in one flush. Prints the CLOCK_REALTIME nanoseconds taken just before the press.
 *
 *   xprobe spawn PROGRAM ARGS...
 *       The floor for the clicks: prints the CLOCK_REALTIME nanoseconds taken just before a plain
 *       fork and exec of PROGRAM, and waits for it to end. Needs no display.
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static const int kMapTimeoutMs = 20000;

static double now_ms(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void sleep_ms(int ms) {
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

static long status_kb(pid_t pid, const char* field) {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (f == NULL) return -1;
    long value = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, f) != NULL) {
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            value = strtol(line + length + 1, NULL, 10);
            break;
        }
    }
    fclose(f);
    return value;
}

/* Counts the distinct shared objects in the process's mappings and adds up their file sizes. */
static void mapped_libraries(pid_t pid, int* count, long long* bytes) {
    char path[64], line[4096];
    snprintf(path, sizeof path, "/proc/%d/maps", (int)pid);
    *count = 0;
    *bytes = 0;
    FILE* f = fopen(path, "r");
    if (f == NULL) return;
    char** seen = NULL;
    int seen_count = 0;
    while (fgets(line, sizeof line, f) != NULL) {
        char* file = strchr(line, '/');
        if (file == NULL) continue;
        file[strcspn(file, "\n")] = '\0';
        if (strstr(file, ".so") == NULL) continue;
        int known = 0;
        for (int i = 0; i < seen_count && !known; ++i) known = strcmp(seen[i], file) == 0;
        if (known) continue;
        seen = realloc(seen, sizeof *seen * (seen_count + 1));
        seen[seen_count++] = strdup(file);
        struct stat info;
        if (stat(file, &info) == 0) *bytes += info.st_size;
    }
    fclose(f);
    *count = seen_count;
    for (int i = 0; i < seen_count; ++i) free(seen[i]);
    free(seen);
}

static int launch(int argc, char** argv) {
    int settle = 300, want_width = 0, want_height = 0, keep = 0, i = 0;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (strcmp(argv[i], "--settle") == 0 && i + 1 < argc) {
            settle = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (sscanf(argv[++i], "%dx%d", &want_width, &want_height) != 2) return 2;
        } else if (strcmp(argv[i], "--keep") == 0) {
            keep = 1;
        } else {
            fprintf(stderr, "xprobe: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (i + 1 >= argc) return 2;
    char** program = argv + i + 1;

    Display* dpy = XOpenDisplay(NULL);
    if (dpy == NULL) {
        fprintf(stderr, "xprobe: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    const double start = now_ms(CLOCK_MONOTONIC);
    const pid_t pid = fork();
    if (pid == 0) {
        /* A group of its own, so that a wrapper such as strace ends together with what it runs. */
        setpgid(0, 0);
        close(ConnectionNumber(dpy));
        /* Our standard output is the report: the program writes its own elsewhere. */
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(program[0], program);
        _exit(127);
    }
    if (pid < 0) return 1;
    setpgid(pid, pid);

    Window mapped = 0;
    double startup = -1;
    struct timespec mapped_at = {0, 0};
    struct pollfd watch = {ConnectionNumber(dpy), POLLIN, 0};
    while (mapped == 0 && now_ms(CLOCK_MONOTONIC) - start < kMapTimeoutMs) {
        if (XPending(dpy) == 0) {
            poll(&watch, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type != MapNotify || event.xmap.event != root) continue;
        const double at = now_ms(CLOCK_MONOTONIC);
        Window unused_root;
        int x, y;
        unsigned width, height, border, depth;
        if (!XGetGeometry(dpy, event.xmap.window, &unused_root, &x, &y, &width, &height, &border, &depth)) continue;
        if (want_width != 0 && ((int)width != want_width || (int)height != want_height)) continue;
        mapped = event.xmap.window;
        startup = at - start;
        clock_gettime(CLOCK_REALTIME, &mapped_at);
    }
    if (mapped == 0) {
        fprintf(stderr, "xprobe: no window mapped within %d ms\n", kMapTimeoutMs);
        kill(-pid, SIGKILL);
        waitpid(pid, NULL, 0);
        return 1;
    }
    sleep_ms(settle);
    int libs = 0;
    long long lib_bytes = 0;
    mapped_libraries(pid, &libs, &lib_bytes);
    printf("startup_ms=%.3f rss_kb=%ld hwm_kb=%ld libs=%d lib_bytes=%lld window=0x%lx pid=%d mapped_at=%lld.%09ld\n",
           startup, status_kb(pid, "VmRSS"), status_kb(pid, "VmHWM"), libs, lib_bytes, mapped, (int)pid,
           (long long)mapped_at.tv_sec, mapped_at.tv_nsec);
    fflush(stdout);
    XCloseDisplay(dpy);
    if (!keep) {
        kill(-pid, SIGTERM);
        waitpid(pid, NULL, 0);
    }
    return 0;
}

static int click(int argc, char** argv) {
    /* Stay idle this long after the click before ending, so that the shell running the bench does
     * not start its next command (a fork and an exec) while the program is answering the click. */
    int quiet = 0;
    if (argc == 5 && strcmp(argv[0], "--quiet") == 0) {
        quiet = atoi(argv[1]);
        argc -= 2;
        argv += 2;
    }
    if (argc != 3) return 2;
    Display* dpy = XOpenDisplay(NULL);
    if (dpy == NULL) return 1;
    const Window window = (Window)strtoul(argv[0], NULL, 0);
    int root_x, root_y;
    Window child;
    if (!XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), atoi(argv[1]), atoi(argv[2]), &root_x, &root_y,
                               &child)) {
        return 1;
    }
    XTestFakeMotionEvent(dpy, -1, root_x, root_y, CurrentTime);
    XSync(dpy, False);
    /* Let the program see the pointer arrive before the timed part. */
    sleep_ms(100);
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XFlush(dpy);
    sleep_ms(quiet);
    printf("%lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
}

static int spawn(int argc, char** argv) {
    if (argc < 1) return 2;
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    if (pid < 0) return 1;
    int status = 0;
    waitpid(pid, &status, 0);
    printf("%lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "launch") == 0) return launch(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "spawn") == 0) return spawn(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "click") == 0) return click(argc - 2, argv + 2);
    fprintf(stderr,
            "usage: xprobe launch [--settle MS] [--size WxH] [--keep] -- PROGRAM ARGS...\n"
            "       xprobe click [--quiet MS] WINDOW X Y\n"
            "       xprobe spawn PROGRAM ARGS...\n");
    return 2;
}
