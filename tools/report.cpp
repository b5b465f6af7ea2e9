#include "report.h"

using namespace lumbrix;

const char *fit_text(const Layout *fits) {
    return fits ? fits->name : "neither";
}

static void print_part(FILE *out, const Inspection &inspection) {
    const Layout &layout = *inspection.layout;
    int code = inspection.part_code;
    const Part *part = part_by_code(code);
    if (!layout.header_size) {
        fprintf(out, "part: not recorded in a %s file\n", layout.name);
    } else if (part) {
        fprintf(out, "part code: '%c' (0x%02X)\n", code, code);
        fprintf(out, "part: %s (console number %d)\n", part->name ? part->name : "no name",
                part->console_number);
    } else if (code >= 0) {
        fprintf(out, "part code: 0x%02X\n", code);
    }
    bool window_named = layout.header_size && part;
    uint32_t size = inspection.window_last - FLASH_FIRST + 1;
    fprintf(out, "flash window: 0x%X-0x%X (%u KiB%s)\n", FLASH_FIRST, inspection.window_last,
            size / 1024, window_named ? "" : ", the larger one, as the file names no part");
}

static void print_pages(FILE *out, const Inspection &inspection) {
    if (inspection.records == 0) {
        fprintf(out, "pages: none\n");
        return;
    }
    fprintf(out, "first address: 0x%X\n", inspection.first_page);
    fprintf(out, "last address: 0x%X\n", inspection.last_page + FLASH_PAGE_SIZE - 1);
    for (size_t i = 0; i < inspection.run_count && i < RUNS_SHOWN; ++i) {
        const PageRun &run = inspection.runs[i];
        fprintf(out, "pages: 0x%X-0x%X (%zu page%s%s)\n", run.first, run.last, run.pages,
                run.pages == 1 ? "" : "s", run.fill ? ", only 0xFF" : "");
    }
    if (inspection.run_count > RUNS_SHOWN)
        fprintf(out, "pages: %zu more runs\n", inspection.run_count - RUNS_SHOWN);
}

static const char *result_text(const Report &report) {
    if (report.faults > 0)
        return "faulty";
    return report.inspection->records > 0 ? "sound" : "empty";
}

void report_print(FILE *out, const Report &report) {
    const Inspection &inspection = *report.inspection;
    fprintf(out, "file: %s\n", report.path);
    fprintf(out, "size: %llu bytes\n", static_cast<unsigned long long>(report.size));
    fprintf(out, "fits: %s\n", fit_text(report.fits));
    fprintf(out, "layout: %s\n", inspection.layout ? inspection.layout->name : "unknown");
    if (inspection.layout) {
        print_part(out, inspection);
        fprintf(out, "records: %zu\n", inspection.records);
        fprintf(out, "checksums held: %zu of %zu\n", inspection.checksums_held, inspection.records);
        print_pages(out, inspection);
    }
    if (report.source)
        fprintf(out, "source: %s\n", report.source->path);
    if (report.source_check)
        source_print(out, *report.source_check, *report.source);
    fault_print(out, inspection.faults);
    if (report.source_check)
        fault_print(out, report.source_check->faults);
    fprintf(out, "faults: %zu\n", report.faults);
    fprintf(out, "result: %s\n", result_text(report));
}
