/* SPDX-License-Identifier: GPL-3.0-or-later */
#ifndef TALVENOR_CONVERSION_PROGRESS_H
#define TALVENOR_CONVERSION_PROGRESS_H

/* How far a conversion is, read from ffmpeg's own output as it passes: the input's length from
   its "Duration: HH:MM:SS.xx" line, the position and the speed from each statistics line.
   Plain C with no I/O and no allocation, so that both conversion consoles build it. */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Room for one line of the tool's output; a longer line is skipped, never read in part. */
#define PROGRESS_LINE_CAPACITY 512

struct ProgressReader {
    char line[PROGRESS_LINE_CAPACITY]; /* the line read so far, not NUL-ended */
    size_t length;
    int overlong;          /* the current line outgrew `line`: skipped to its end */
    int durationRead;      /* the first Duration line has been seen (even "N/A") */
    long long durationMs;  /* the input's length, -1 while unknown */
    long long positionMs;  /* the last position taken, -1 before the first */
    int percent;           /* -1 while unknown */
    long secondsLeft;      /* -1 while unknown */
    int cause;             /* the first PROGRESS_CAUSE_* its error lines told, 0 before any */
};

/* What the tool's own lines say went wrong (PROGRESS_CAUSE_*), and how the console saw it end
   (TOOL_*), which ProgressFailureReason turns into words. */
enum {
    PROGRESS_CAUSE_NOT_VIDEO = 1, /* a source it cannot read as a video: empty, damaged, another kind */
    PROGRESS_CAUSE_DISK_FULL,
    PROGRESS_CAUSE_NO_RIGHT, /* a read-only medium, or no right to write (or to read the source) */
    PROGRESS_CAUSE_GONE,     /* no such file or folder: the source moved, a medium taken out */
    PROGRESS_CAUSE_STOPPED,  /* it stopped on a signal of its own accord (Ctrl+C, a hang-up) */
};
enum ToolEnd {
    TOOL_FAILED,      /* an exit code of its own */
    TOOL_KILLED,      /* ended by a signal, or by the system, before it could say anything */
    TOOL_CRASHED,     /* a crash: a bad access, an abort */
    TOOL_NOT_STARTED, /* it could not be started at all */
    TOOL_NOT_NAMED,   /* it ended well, but its file could not be given its name */
};

void ProgressReaderInit(struct ProgressReader* reader);
/* Feeds the tool's output as it passes, in any pieces; returns nonzero when the title to show
   changed. */
int ProgressReaderFeed(struct ProgressReader* reader, const char* bytes, size_t size);
/* 0..100, -1 while unknown; never smaller than an earlier answer. */
int ProgressPercent(const struct ProgressReader* reader);
/* -1 while unknown. */
long ProgressSecondsLeft(const struct ProgressReader* reader);
/* The window title, UTF-8, NUL-ended: "Talvenor — ffmpeg — 42 % (reste 1 min 10 s)", or
   "Talvenor — ffmpeg — 42 %" with no time left known, or "Talvenor — ffmpeg" while nothing is
   known. `tool` is the tool's short name ("ffmpeg"). Returns the length written, cut short at a
   character's boundary when `capacity` is too small. */
size_t ProgressTitle(const struct ProgressReader* reader, const char* tool, char* out,
                     size_t capacity);

/* The title once the conversion has failed, never a stale percentage: "Talvenor — ffmpeg — échec
   de la conversion", as ProgressTitle writes its titles. */
size_t ProgressFailedTitle(const char* tool, char* out, size_t capacity);

/* The sentence, in French and UTF-8, that says after a failed conversion what happened and what
   the user can do: the tool's own lines tell the cause when they can, else how it ended. */
const char* ProgressFailureReason(const struct ProgressReader* reader, enum ToolEnd end);

#ifdef __cplusplus
}
#endif

#endif
