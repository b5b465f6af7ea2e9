// One inspection: a download file read once from start to end, checked record by record,
// compared with its HEX file and written back out as HEX as it goes.
#pragma once

#include "source_check.h"

#include <cstdio>

// Exit statuses, as cmp and diff give them: the file is sound (or empty), the file is faulty,
// or something else went wrong: a usage error, an input that cannot be read, memory that ran
// out, an output that cannot be written.
constexpr int SOUND = 0;
constexpr int FAULTY = 1;
constexpr int TROUBLE = 2;

struct Options {
    const lumbrix::Layout *type = nullptr; // null: detect
    const char *hex_path = nullptr;
    const char *path = nullptr;
    SourceRequest source;
    bool strict = false;
    bool json = false; // the report as one JSON object
    bool help = false;
};

// The streams the options name, open: the HEX file only with --source, the HEX output only
// with --hex.
struct Streams {
    FILE *download;
    FILE *source;
    FILE *hex;
};

struct Verdict {
    int status;       // SOUND, FAULTY or TROUBLE
    bool hex_written; // the HEX output holds every page and its end record
};

// Inspect, print the report on `report` and say what is wrong on stderr.
Verdict inspect(const Options &options, const Streams &streams, FILE *report);
