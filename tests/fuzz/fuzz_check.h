/* SPDX-License-Identifier: GPL-3.0-or-later */
/* A property every input must keep: when it does not, the fuzzer stops with the input it kept. */
#ifndef TALVENOR_FUZZ_CHECK_H
#define TALVENOR_FUZZ_CHECK_H
#include <stdio.h>
#include <stdlib.h>
#define FUZZ_CHECK(condition)                                                                         \
    do {                                                                                              \
        if (!(condition)) {                                                                           \
            fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);          \
            abort();                                                                                  \
        }                                                                                             \
    } while (0)
#endif
