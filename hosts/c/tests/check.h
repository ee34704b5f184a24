/* Checks for the C test hosts: a failed check is reported with its place and counted in
 * `failures`, and the test goes on. */
#ifndef TINTBOX_SHELL_TESTS_CHECK_H
#define TINTBOX_SHELL_TESTS_CHECK_H

#include <stdio.h>

static int failures = 0;

#define CHECK(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            fprintf(stderr, "%s:%d: CHECK failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                                   \
        }                                                                                 \
    } while (0)

#define CHECK_STATUS(expression, expected)                                                       \
    do {                                                                                         \
        TintboxStatus status_ = (expression);                                                    \
        if (status_ != (expected)) {                                                             \
            fprintf(stderr, "%s:%d: %s gave %d, expected %d\n", __FILE__, __LINE__, #expression, \
                    (int)status_, (int)(expected));                                              \
            ++failures;                                                                          \
        }                                                                                        \
    } while (0)

#endif
