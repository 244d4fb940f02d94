// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A failed check in a fuzz target: say what broke and abort, so libFuzzer keeps
// the input as a crash file and the test command fails.

#include <QString>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzFailure(const char* what, const QString& detail)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n  %s\n", what, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                 \
    do {                                              \
        if (!(condition))                             \
            FuzzFailure(#condition, (detail));        \
    } while (false)
