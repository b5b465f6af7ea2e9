#include "inspect.h"

#include "hex_writer.h"
#include "lumbrix/segment_list.h"
#include "report_json.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>

using namespace lumbrix;

static const char TYPE_HINT[] = "give --type 4 or --type 6";

// The layout a file that begins with `first_byte` can fit, to read it as before its end is
// seen: for a file of unknown size (a pipe, a device) the one naming its part when that byte is
// a part code, else the one the size fits, its length fields taken to read one page.
static const Layout *layout_expected(FILE *file, int first_byte) {
    struct stat st;
    int fd = fileno(file);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return layout_naming_part(part_by_code(first_byte) != nullptr);
    return fitting_layout({.size = static_cast<uint64_t>(st.st_size), .first_byte = first_byte});
}

// One inspection's findings, twice the largest window (too large for a stack), and its state.
struct FileInspection {
    Inspection inspection;
    SourceCheck check;
    SourceCheck *compared; // &check when compared with the HEX file, else null
    const Part *part;      // the part compared for; null for none
    FitTracker fit;
    HexCursor hex; // writes nowhere without --hex
};

// Decide the layout and the part, then read the HEX file; false, once said, when it cannot be.
static bool reading_start(FileInspection &state, const Options &options, const Streams &streams) {
    int first_byte = getc(streams.download);
    ungetc(first_byte, streams.download); // nothing to put back at the end of the file
    const Layout *expected =
        options.type ? options.type : layout_expected(streams.download, first_byte);
    if (!expected)
        return true;
    inspection_start(state.inspection, *expected, first_byte);
    // The part asked for, else the one the file names, if it names one.
    state.part = options.source.part ? options.source.part : state.inspection.part;
    state.compared = options.source.path && state.part ? &state.check : nullptr;
    if (!state.compared || source_read(state.check, streams.source, *state.part, *expected,
                                       options.source.forced_base))
        return true;
    if (ferror(streams.source))
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", options.source.path,
                strerror(errno));
    else
        fprintf(stderr, "lumbrix_inspect: %s: out of memory\n", options.source.path);
    return false;
}

// Read the file's records to its end; false, once said, when reading failed.
static bool records_read(FileInspection &state, FILE *file, const char *path) {
    Inspection &inspection = state.inspection;
    const Layout *layout = inspection.layout;
    uint8_t record[RECORD_SIZE_MAX];
    if (layout && layout->header_size && fread(record, 1, 1, file) == 1)
        fit_feed(state.fit, record, 1);
    size_t size = layout ? layout->record_size() : sizeof record;
    for (size_t got; (got = fread(record, 1, size, file)) > 0;) {
        fit_feed(state.fit, record, got);
        if (!layout)
            continue;
        if (got < size) {
            fault_add(inspection.faults, FAULT_TRUNCATED, "record %zu truncated: %zu of %zu bytes",
                      inspection.records + 1, got, size);
            break;
        }
        uint32_t address = inspection_add_record(inspection, record);
        const uint8_t *data = record + layout->data_offset();
        if (state.compared)
            source_compare_page(state.check, *layout, address, data);
        if (state.hex.out)
            hex_write_page(state.hex, address, data);
    }
    if (!ferror(file))
        return true;
    fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", path, strerror(errno));
    return false;
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

// Judge what was read: the layout it is read as and the faults only the whole file shows. A
// file read as no layout, or as one its pages were misread as, keeps only that fault.
static void findings_judge(FileInspection &state, const Options &options, const Layout *fits) {
    Inspection &inspection = state.inspection;
    const Layout *layout = choose_layout(options.path, fits, options.type);
    if (!layout || layout != inspection.layout) { // not one the pages were misread as
        inspection = {};
        state.compared = nullptr;
        fault_add(inspection.faults, FAULT_LAYOUT, "layout unknown: %s", TYPE_HINT);
        return;
    }
    if (options.source.path)
        check_part(inspection, options, state.part);
    if (state.compared)
        source_finish(state.check, inspection, options.source, options.strict);
    if (options.strict && inspection.records == 0)
        fault_add(inspection.faults, FAULT_NO_PAGES, "the file holds no pages");
}

// Print the report, say what is wrong and end the HEX output of a file whose layout is known.
static Verdict findings_report(FileInspection &state, const Options &options, const Layout *fits,
                               FILE *out) {
    const Inspection &inspection = state.inspection;
    size_t faults =
        fault_total(inspection.faults) + (state.compared ? fault_total(state.check.faults) : 0);
    const char *result = faults > 0 ? "faulty" : inspection.records > 0 ? "sound" : "empty";
    Report report = {options, inspection, state.compared, state.fit.size, fits, faults, result};
    (options.json ? report_json_print : report_text_print)(out, report);
    if (faults > 0)
        fprintf(stderr, "lumbrix_inspect: %s: %zu fault%s\n", options.path, faults,
                faults == 1 ? "" : "s");
    bool hex_whole = state.hex.out && inspection.layout; // a file of unknown layout has a fault
    if (hex_whole)
        hex_finish(state.hex); // a write that failed shows when the output is closed
    else if (state.hex.out)
        fprintf(stderr, "lumbrix_inspect: %s not written: the layout is unknown\n",
                options.hex_path);
    return {faults == 0 ? SOUND : FAULTY, hex_whole};
}

// One allocation, freed on return, holds the inspection's state.
Verdict inspect(const Options &options, const Streams &streams, FILE *out) {
    std::unique_ptr<FileInspection> state(new (std::nothrow) FileInspection());
    if (!state) {
        fprintf(stderr, "lumbrix_inspect: %s: out of memory\n", options.path);
        return {TROUBLE, false};
    }
    state->hex.out = streams.hex;
    bool read = reading_start(*state, options, streams) &&
                records_read(*state, streams.download, options.path);
    segment_list_free(&g_image);
    if (!read)
        return {TROUBLE, false};
    const Layout *fits = fitting_layout(state->fit);
    findings_judge(*state, options, fits);
    return findings_report(*state, options, fits, out);
}
