/* SPDX-License-Identifier: GPL-3.0-or-later */
/* What every program that Talvenor or its conversion console starts gets: plain C, built into both. */
#pragma once

#include <spawn.h>

#include "console_words.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What a shell runs as `sh -c SCRIPT talvenor OUTPUT PARTIAL PROGRAM ARG...` where no conversion
 * console can: PROGRAM writes PARTIAL, which becomes OUTPUT only when it ends well and goes
 * otherwise; on failure, a message and a wait for Enter. The names arrive as positional
 * parameters and are never parsed as shell text; the words hold no double quote, dollar, backquote or backslash. */
#define TALVENOR_SETTLING_SCRIPT \
    "output=$1; partial=$2; shift 2; \"$@\"; status=$?; " \
    "if [ \"$status\" -eq 0 ]; then { [ ! -e \"$partial\" ] || mv -f -- \"$partial\" \"$output\"; } || status=1; " \
    "else rm -f -- \"$partial\"; fi; " \
    "if [ \"$status\" -ne 0 ]; then " \
    "printf '\\n%s (code %s).\\n%s\\n%s' \"" TALVENOR_CONVERSION_FAILED "\" \"$status\" " \
    "\"" TALVENOR_NOTHING_KEPT "\" \"" TALVENOR_PRESS_ENTER "\"; read reply; fi"

/* Initialises `attributes`: a session of its own, so that the program outlives us; default
 * handling of SIGCHLD and SIGPIPE (which we change for ourselves), and of `alsoDefault` unless it
 * is 0; an empty signal mask. */
void TalvenorSpawnAttributes(posix_spawnattr_t* attributes, int alsoDefault);

/* A terminal must read as UTF-8 what is written to it. 0: the session's character type is UTF-8
 * already. 1: the terminal gets LC_CTYPE=C.UTF-8 and keeps the rest of the locale; `*lang` is then
 * LC_ALL's value, which must become its LANG since LC_ALL would win over LC_CTYPE, or NULL. */
int TalvenorTerminalNeedsUtf8(const char** lang);

#ifdef __cplusplus
}
#endif
