#include "inspect.h"

#include "hex_writer.h"
#include "lumbrix/segment_list.h"
#include "report_json.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace lumbrix;

static const char TYPE_HINT[] = "give --type 4 or --type 6";

// The layout a file that begins with `first_byte` can fit, to read it as before its end is
// seen. A file whose size is not known before it is read (a pipe, a device) is taken for Type 6
// when it begins with a part code; one whose size is known, for the layout that size fits, its
// length fields taken to read one page.
static const Layout *layout_expected(FILE *file, int first_byte) {
    struct stat st;
    int fd = fileno(file);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return part_by_code(first_byte) ? &TYPE6 : &TYPE4;
    return fitting_layout({.size = static_cast<uint64_t>(st.st_size), .first_byte = first_byte});
}

struct Reading {
    Inspection &inspection;
    FitTracker fit;
    SourceCheck *check; // null when not compared
    HexCursor *hex;     // null without --hex
};

// Read the file to its end, record by record, after the header byte the inspection was started
// with; false when reading failed.
static bool read_records(FILE *file, Reading &reading) {
    Inspection &inspection = reading.inspection;
    const Layout *layout = inspection.layout;
    uint8_t record[std::max(TYPE4.record_size(), TYPE6.record_size())];
    if (layout && layout->header_size && fread(record, 1, 1, file) == 1)
        fit_feed(reading.fit, record, 1);
    size_t size = layout ? layout->record_size() : sizeof record;
    for (size_t got; (got = fread(record, 1, size, file)) > 0;) {
        fit_feed(reading.fit, record, got);
        if (!layout)
            continue;
        if (got < size) {
            fault_add(inspection.faults, FAULT_TRUNCATED, "record %zu truncated: %zu of %zu bytes",
                      inspection.records + 1, got, size);
            break;
        }
        uint32_t address = inspection_add_record(inspection, record);
        const uint8_t *data = record + layout->data_offset();
        if (reading.check)
            source_compare_page(*reading.check, *layout, address, data);
        if (reading.hex)
            hex_write_page(*reading.hex, address, data);
    }
    return !ferror(file);
}

static const char *fit_text(const Layout *fits) {
    return fits ? fits->name : "neither";
}

// The layout read: the one asked for, else the one that fits, else none.
static const Layout *choose_layout(const char *path, const Layout *fits, const Layout *asked) {
    if (asked && asked != fits) // "fits Type 6 only", "fits neither layout"
        fprintf(stderr, "lumbrix_inspect: %s fits %s%s; reading it as %s, as --type asks\n", path,
                fit_text(fits), fits ? " only" : " layout", asked->name);
    else if (!fits)
        fprintf(stderr, "lumbrix_inspect: %s fits neither layout; %s to read it\n", path,
                TYPE_HINT);
    return asked ? asked : fits;
}

// The source's faults that the file's first byte decides.
static void check_part(Inspection &inspection, const Options &options, const Part *part) {
    if (!part)
        fault_add(inspection.faults, FAULT_SOURCE_PART,
                  "source not compared: the file names no part; give --part");
    else if (inspection.part_code >= 0 && inspection.part_code != part->code)
        fault_add(inspection.faults, FAULT_SOURCE_PART,
                  "--part %d is part code '%c', the file's part-code byte is 0x%02X",
                  options.source.part->console_number, part->code, inspection.part_code);
}

// The report: one fact a line, "name: value", so that two reports diff well.
static void report_text_print(FILE *out, const Report &report) {
    const Inspection &inspection = report.inspection;
    const Options &options = report.options;
    fprintf(out, "file: %s\n", options.path);
    fprintf(out, "size: %llu bytes\n", static_cast<unsigned long long>(report.size));
    fprintf(out, "fits: %s\n", fit_text(report.fits));
    fprintf(out, "layout: %s\n", inspection.layout ? inspection.layout->name : "unknown");
    if (inspection.layout)
        inspection_print(out, inspection);
    if (options.source.path)
        fprintf(out, "source: %s\n", options.source.path);
    if (report.check)
        source_print(out, *report.check, options.source);
    fault_print(out, inspection.faults);
    if (report.check)
        fault_print(out, report.check->faults);
    fprintf(out, "faults: %zu\n", report.faults);
    fprintf(out, "result: %s\n", report.result);
}

static bool load_source(SourceCheck &check, const Options &options, FILE *hex, const Part &part,
                        const Layout &layout) {
    if (source_load(check, hex, part, layout, options.source.forced_base) == 0)
        return true;
    if (ferror(hex))
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", options.source.path,
                strerror(errno));
    else
        fprintf(stderr, "lumbrix_inspect: %s: out of memory\n", options.source.path);
    return false;
}

Verdict inspect(const Options &options, const Streams &streams, FILE *out) {
    // Both are as large as the largest window, too large for a stack.
    static Inspection inspection;
    static SourceCheck check;
    inspection = {};
    check = {};
    FILE *file = streams.download;
    int first_byte = getc(file);
    ungetc(first_byte, file); // nothing to put back at the end of the file
    const Layout *expected = options.type ? options.type : layout_expected(file, first_byte);
    if (expected)
        inspection_start(inspection, *expected, first_byte);
    // The part to compare for: the one asked for, else the one the file names, if it names one.
    const Part *part = expected ? options.source.part : nullptr;
    if (!part && expected && expected->header_size)
        part = part_by_code(first_byte);
    bool compare = options.source.path && part;
    if (compare && !load_source(check, options, streams.source, *part, *expected)) {
        segment_list_free(&g_image);
        return {TROUBLE, false};
    }
    HexCursor hex{streams.hex};
    Reading reading = {inspection, {}, compare ? &check : nullptr, streams.hex ? &hex : nullptr};
    bool read = read_records(file, reading);
    segment_list_free(&g_image);
    if (!read) {
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", options.path, strerror(errno));
        return {TROUBLE, false};
    }

    const Layout *fits = fitting_layout(reading.fit);
    const Layout *layout = choose_layout(options.path, fits, options.type);
    bool decided = layout && layout == expected; // and not one the pages were misread as
    if (!decided) {
        inspection = {};
        reading.check = nullptr;
        fault_add(inspection.faults, FAULT_LAYOUT, "layout unknown: %s", TYPE_HINT);
    } else {
        if (options.source.path)
            check_part(inspection, options, part);
        if (reading.check)
            source_finish(check, inspection, options.source, options.strict);
        if (options.strict && inspection.records == 0)
            fault_add(inspection.faults, FAULT_NO_PAGES, "the file holds no pages");
    }
    size_t faults =
        fault_total(inspection.faults) + (reading.check ? fault_total(check.faults) : 0);
    const char *result = faults > 0 ? "faulty" : inspection.records > 0 ? "sound" : "empty";
    Report report = {options, inspection, reading.check, reading.fit.size, fits, faults, result};
    (options.json ? report_json_print : report_text_print)(out, report);
    int status = faults == 0 ? SOUND : FAULTY;
    if (status == FAULTY)
        fprintf(stderr, "lumbrix_inspect: %s: %zu fault%s\n", options.path, faults,
                faults == 1 ? "" : "s");
    if (streams.hex && !decided) {
        fprintf(stderr, "lumbrix_inspect: %s not written: the layout is unknown\n",
                options.hex_path);
        return {FAULTY, false};
    }
    if (streams.hex)
        hex_finish(hex); // a write that failed shows when the output is closed
    return {status, streams.hex != nullptr};
}
