// What every harness needs: a check that ends the run where it fails, and a stream to send
// messages that another harness checks.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void require(bool holds, const char *what) {
    if (!holds) {
        fprintf(stderr, "fuzz: %s\n", what);
        abort();
    }
}

inline FILE *quiet() {
    static FILE *null_stream = fopen("/dev/null", "w");
    return null_stream;
}
