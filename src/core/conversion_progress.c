/* SPDX-License-Identifier: GPL-3.0-or-later */
#include "conversion_progress.h"

#include <string.h>

#include "console_words.h"

/* Long enough for any title the reader makes with a tool's short name. */
#define TITLE_ROOM 160

static int IsDigit(char c) { return c >= '0' && c <= '9'; }
static int IsBlank(char c) { return c == ' ' || c == '\t'; }

/* Reads the digits at `*p`, at most `most` of them; -1 when there is none. */
static long long ReadNumber(const char** p, const char* end, int most) {
    long long value = 0;
    int count = 0;
    while (*p < end && IsDigit(**p) && count < most) {
        value = value * 10 + (**p - '0');
        ++*p;
        ++count;
    }
    return count == 0 ? -1 : value;
}

/* "HH:MM:SS.xx" as milliseconds, ending at `end` or at a blank or a comma; -1 for anything else
   ("N/A", a negative time, garbage). */
static long long ReadClock(const char* p, const char* end) {
    const long long hours = ReadNumber(&p, end, 6);
    if (hours < 0 || p >= end || *p++ != ':') return -1;
    const char* field = p;
    const long long minutes = ReadNumber(&p, end, 2);
    if (p - field != 2 || minutes > 59 || p >= end || *p++ != ':') return -1;
    field = p;
    const long long seconds = ReadNumber(&p, end, 2);
    if (p - field != 2 || seconds > 59) return -1;
    long long milliseconds = 0;
    if (p < end && *p == '.') {
        ++p;
        long long scale = 100;
        if (p >= end || !IsDigit(*p)) return -1;
        for (; p < end && IsDigit(*p); ++p, scale /= 10) milliseconds += (*p - '0') * scale;
    }
    if (p < end && !IsBlank(*p) && *p != ',') return -1;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds;
}

/* "2.1x" as thousandths (2100); -1 for "N/A" or anything else. */
static long ReadSpeed(const char* p, const char* end) {
    const long long whole = ReadNumber(&p, end, 6);
    if (whole < 0) return -1;
    long thousandths = (long)whole * 1000;
    if (p < end && *p == '.') {
        ++p;
        long scale = 100;
        for (; p < end && IsDigit(*p); ++p, scale /= 10) thousandths += (*p - '0') * scale;
    }
    if (p >= end || *p++ != 'x' || (p < end && !IsBlank(*p))) return -1;
    return thousandths;
}

/* The value of the field `name=` of a statistics line, its padding skipped; null when the line
   has no such field. A field's name starts the line or follows a blank ("elapsed=" is no
   "time="). */
static const char* FieldValue(const char* line, const char* end, const char* name) {
    const size_t length = strlen(name);
    for (const char* p = line; p + length <= end; ++p) {
        if ((p == line || IsBlank(p[-1])) && memcmp(p, name, length) == 0) {
            p += length;
            while (p < end && IsBlank(*p)) ++p;
            return p;
        }
    }
    return NULL;
}

static int StartsWith(const char* p, const char* end, const char* prefix) {
    const size_t length = strlen(prefix);
    return (size_t)(end - p) >= length && memcmp(p, prefix, length) == 0;
}

static int Contains(const char* line, const char* end, const char* text) {
    for (const char* p = line; p < end; ++p) {
        if (StartsWith(p, end, text)) return 1;
    }
    return 0;
}

/* The system's and ffmpeg's own words for each cause, as its error lines end with them. */
static const struct {
    const char* words;
    int cause;
} kCauses[] = {
    {"Invalid data found when processing input", PROGRESS_CAUSE_NOT_VIDEO},
    {"ould not find codec parameters", PROGRESS_CAUSE_NOT_VIDEO},
    {"does not contain any stream", PROGRESS_CAUSE_NOT_VIDEO},
    {"No space left on device", PROGRESS_CAUSE_DISK_FULL},
    {"Disk quota exceeded", PROGRESS_CAUSE_DISK_FULL},
    {"File too large", PROGRESS_CAUSE_DISK_FULL},
    {"Read-only file system", PROGRESS_CAUSE_NO_RIGHT},
    {"Permission denied", PROGRESS_CAUSE_NO_RIGHT},
    {"Operation not permitted", PROGRESS_CAUSE_NO_RIGHT},
    {"No such file or directory", PROGRESS_CAUSE_GONE},
    {"received signal", PROGRESS_CAUSE_STOPPED},
};

static void ReadLine(struct ProgressReader* reader, const char* line, const char* end) {
    for (size_t k = 0; reader->cause == 0 && k < sizeof kCauses / sizeof kCauses[0]; ++k) {
        if (Contains(line, end, kCauses[k].words)) reader->cause = kCauses[k].cause;
    }
    const char* p = line;
    while (p < end && IsBlank(*p)) ++p;
    if (StartsWith(p, end, "Duration: ")) {
        /* The input's comes first; an output's stream information may repeat the word. */
        if (reader->durationRead) return;
        reader->durationRead = 1;
        reader->durationMs = ReadClock(p + strlen("Duration: "), end);
        return;
    }
    /* Statistics: "frame=  500 fps=... size=    1024kB time=00:00:20.00 bitrate=... speed=50x",
       or "size=..." first for sound alone. */
    if (!StartsWith(p, end, "frame=") && !StartsWith(p, end, "size=")) return;
    const char* time = FieldValue(p, end, "time=");
    if (time == NULL || reader->durationMs <= 0) return;
    const long long position = ReadClock(time, end);
    if (position < 0 || position > reader->durationMs) return;
    const int percent = (int)(position * 100 / reader->durationMs);
    if (percent < reader->percent || position < reader->positionMs) return;
    reader->positionMs = position;
    reader->percent = percent;
    const char* speedText = FieldValue(p, end, "speed=");
    const long speed = speedText == NULL ? -1 : ReadSpeed(speedText, end);
    const long long left = speed <= 0 ? -1 : ((reader->durationMs - position) + speed / 2) / speed;
    /* A time left past what a 32-bit long holds (garbage lengths) is left unknown. */
    reader->secondsLeft = left > 0x7FFFFFFFLL ? -1 : (long)left;
}

void ProgressReaderInit(struct ProgressReader* reader) {
    memset(reader, 0, sizeof *reader);
    reader->durationMs = -1;
    reader->positionMs = -1;
    reader->percent = -1;
    reader->secondsLeft = -1;
}

int ProgressReaderFeed(struct ProgressReader* reader, const char* bytes, size_t size) {
    char before[TITLE_ROOM];
    char after[TITLE_ROOM];
    ProgressTitle(reader, "", before, sizeof before);
    for (size_t i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (!reader->overlong) ReadLine(reader, reader->line, reader->line + reader->length);
            reader->length = 0;
            reader->overlong = 0;
        } else if (reader->length < sizeof reader->line) {
            reader->line[reader->length++] = c;
        } else {
            reader->overlong = 1;
        }
    }
    ProgressTitle(reader, "", after, sizeof after);
    return strcmp(before, after) != 0;
}

int ProgressPercent(const struct ProgressReader* reader) { return reader->percent; }

long ProgressSecondsLeft(const struct ProgressReader* reader) { return reader->secondsLeft; }

/* A title being written into a caller's room, cut short at a character's boundary. */
struct Title {
    char* out;
    size_t capacity;
    size_t length;
    int full;
};

static void Append(struct Title* title, const char* text) {
    size_t length = strlen(text);
    if (title->full || title->capacity == 0) return;
    const size_t room = title->capacity - 1 - title->length;
    if (length > room) {
        length = room;
        /* Never half a character: back to the start of the one that does not fit. */
        while (length > 0 && ((unsigned char)text[length] & 0xC0) == 0x80) --length;
        title->full = 1;
    }
    memcpy(title->out + title->length, text, length);
    title->length += length;
    title->out[title->length] = '\0';
}

static void AppendNumber(struct Title* title, long value, int width) {
    char digits[24];
    int count = 0;
    do {
        digits[sizeof digits - 2 - (size_t)count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value > 0 || count < width);
    digits[sizeof digits - 1] = '\0';
    Append(title, digits + sizeof digits - 1 - count);
}

/* "1 h 05 min", "1 min 05 s", "45 s". */
static void AppendDuration(struct Title* title, long seconds) {
    if (seconds >= 3600) {
        AppendNumber(title, seconds / 3600, 1);
        Append(title, " " TALVENOR_HOURS " ");
        AppendNumber(title, seconds % 3600 / 60, 2);
        Append(title, " " TALVENOR_MINUTES);
    } else if (seconds >= 60) {
        AppendNumber(title, seconds / 60, 1);
        Append(title, " " TALVENOR_MINUTES " ");
        AppendNumber(title, seconds % 60, 2);
        Append(title, " " TALVENOR_SECONDS);
    } else {
        AppendNumber(title, seconds, 1);
        Append(title, " " TALVENOR_SECONDS);
    }
}

size_t ProgressTitle(const struct ProgressReader* reader, const char* tool, char* out,
                     size_t capacity) {
    struct Title title = {out, capacity, 0, 0};
    if (capacity > 0) out[0] = '\0';
    Append(&title, TALVENOR_TITLE_NAME TALVENOR_TITLE_SEPARATOR);
    Append(&title, tool);
    if (reader->percent >= 0) {
        Append(&title, TALVENOR_TITLE_SEPARATOR);
        AppendNumber(&title, reader->percent, 1);
        Append(&title, " %");
        if (reader->secondsLeft >= 0) {
            Append(&title, " (" TALVENOR_TIME_LEFT " ");
            AppendDuration(&title, reader->secondsLeft);
            Append(&title, ")");
        }
    }
    return title.length;
}

size_t ProgressFailedTitle(const char* tool, char* out, size_t capacity) {
    struct Title title = {out, capacity, 0, 0};
    if (capacity > 0) out[0] = '\0';
    Append(&title, TALVENOR_TITLE_NAME TALVENOR_TITLE_SEPARATOR);
    Append(&title, tool);
    Append(&title, TALVENOR_TITLE_SEPARATOR TALVENOR_TITLE_FAILED);
    return title.length;
}

const char* ProgressFailureReason(const struct ProgressReader* reader, enum ToolEnd end) {
    if (end == TOOL_NOT_STARTED) return TALVENOR_REASON_NOT_STARTED;
    if (end == TOOL_NOT_NAMED) return TALVENOR_REASON_NOT_NAMED;
    switch (reader->cause) {
        case PROGRESS_CAUSE_NOT_VIDEO: return TALVENOR_REASON_NOT_VIDEO;
        case PROGRESS_CAUSE_DISK_FULL: return TALVENOR_REASON_DISK_FULL;
        case PROGRESS_CAUSE_NO_RIGHT: return TALVENOR_REASON_NO_RIGHT;
        case PROGRESS_CAUSE_GONE: return TALVENOR_REASON_GONE;
        case PROGRESS_CAUSE_STOPPED: return TALVENOR_REASON_STOPPED;
        default: break;
    }
    if (end == TOOL_CRASHED) return TALVENOR_REASON_CRASHED;
    if (end == TOOL_KILLED) return TALVENOR_REASON_STOPPED;
    return TALVENOR_REASON_OTHER;
}
