/* SPDX-License-Identifier: GPL-3.0-or-later */
#define _GNU_SOURCE
#include "linux_spawn.h"

#include <signal.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

void TalvenorSpawnAttributes(posix_spawnattr_t* attributes, int alsoDefault) {
    posix_spawnattr_init(attributes);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGPIPE);
    if (alsoDefault != 0) sigaddset(&defaults, alsoDefault);
    posix_spawnattr_setsigdefault(attributes, &defaults);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(attributes, &empty);
}

static const char* Variable(const char* name) {
    const char* value = getenv(name);
    return value != NULL && value[0] != '\0' ? value : NULL;
}

static bool NamesUtf8(const char* locale) {
    return strcasestr(locale, "utf-8") != NULL || strcasestr(locale, "utf8") != NULL;
}

int TalvenorTerminalNeedsUtf8(const char** lang) {
    const char* all = Variable("LC_ALL");
    const char* ctype = all != NULL ? all : Variable("LC_CTYPE");
    if (ctype == NULL) ctype = Variable("LANG");
    *lang = all;
    return ctype == NULL || !NamesUtf8(ctype);
}
