#include "download_file.h"

#include <iterator>

using namespace lumbrix;

static uint32_t get_le(const uint8_t *at, uint32_t bytes) {
    uint32_t value = 0;
    for (uint32_t i = bytes; i-- > 0;)
        value = value << 8 | at[i];
    return value;
}

void fit_feed(FitTracker &fit, const uint8_t *bytes, size_t count) {
    if (fit.size == 0 && count > 0)
        fit.first_byte = bytes[0];
    // Visit only the two bytes of each stride that hold the length field.
    const Layout &unnamed = *layout_naming_part(false);
    const size_t stride = unnamed.record_size(), field = unnamed.address_size;
    for (size_t i = 0; i < count;) {
        size_t phase = (fit.size + i) % stride;
        if (phase == field)
            fit.length_low = bytes[i];
        else if (phase == field + 1 && (fit.length_low | bytes[i] << 8) != unnamed.page_length())
            fit.lengths_one_page = false;
        i += phase < field ? field - phase : phase == field ? 1 : stride - phase + field;
    }
    fit.size += count;
}

static bool size_fits(uint64_t size, const Layout &layout) {
    return size >= layout.header_size && (size - layout.header_size) % layout.record_size() == 0;
}

// A file that names its part is known by that byte being a part code; one that does not, by
// every record's length field reading one page.
const Layout *fitting_layout(const FitTracker &fit) {
    for (const Layout *layout : LAYOUTS)
        if (size_fits(fit.size, *layout) &&
            (layout->header_size ? part_by_code(fit.first_byte) != nullptr : fit.lengths_one_page))
            return layout;
    return nullptr;
}

void inspection_start(Inspection &result, const Layout &layout, int part_code) {
    result.layout = &layout;
    result.window_last = FLASH_FIRST + WINDOW_BYTES_MAX - 1;
    if (!layout.header_size)
        return;
    result.part_code = part_code;
    if (part_code < 0)
        fault_add(result.faults, FAULT_PART_CODE, "no part-code byte");
    else if ((result.part = part_by_code(part_code)))
        result.window_last = result.part->flash_last;
    else
        fault_add(result.faults, FAULT_PART_CODE, "part-code byte 0x%02X is not '%c' to '%c'",
                  part_code, PARTS[0].code, std::end(PARTS)[-1].code);
}

// Where the page lies: after the one before it, and inside the window.
static void check_place(Inspection &result, uint32_t address, size_t number) {
    const Layout &layout = *result.layout;
    uint32_t previous = result.last_page;
    bool placed = layout.every_page ? address == previous + FLASH_PAGE_SIZE : address > previous;
    if (number > 1 && !placed)
        fault_add(result.faults, FAULT_ORDER, "record %zu at 0x%X: %s the page at 0x%X", number,
                  address, layout.every_page ? "does not follow" : "not above", previous);
    if (address < FLASH_FIRST || address > result.window_last - (FLASH_PAGE_SIZE - 1))
        fault_add(result.faults, FAULT_WINDOW,
                  "record %zu at 0x%X: outside the flash window 0x%X-0x%X", number, address,
                  FLASH_FIRST, result.window_last);
}

uint32_t inspection_add_record(Inspection &result, const uint8_t *record) {
    const Layout &layout = *result.layout;
    size_t number = ++result.records;
    uint32_t address = get_le(record, layout.address_size) * layout.address_unit;
    uint32_t length = get_le(record + layout.address_size, layout.length_size);
    const uint8_t *data = record + layout.data_offset();
    if (length != layout.page_length())
        fault_add(result.faults, FAULT_LENGTH, "record %zu at 0x%X: %s %u, not %u", number, address,
                  layout.length_name, length, layout.page_length());
    if (address % FLASH_PAGE_SIZE != 0)
        fault_add(result.faults, FAULT_BOUNDARY, "record %zu at 0x%X: not on a page boundary",
                  number, address);
    uint32_t stored = get_le(record + layout.checksum_offset(), CHECKSUM_SIZE);
    uint32_t computed = page_checksum(data, FLASH_PAGE_SIZE);
    if (stored != computed)
        fault_add(result.faults, FAULT_CHECKSUM,
                  "record %zu at 0x%X: checksum stored 0x%X, computed 0x%X", number, address,
                  stored, computed);
    check_place(result, address, number);
    if (number == 1)
        result.first_page = address;
    result.last_page = address;
    bool fill =
        std::all_of(data, data + FLASH_PAGE_SIZE, [](uint8_t byte) { return byte == 0xFF; });
    run_add(result.runs, address, address + FLASH_PAGE_SIZE - 1, fill);
    return address;
}

void part_print(FILE *out, const char *part_label, const char *window_label, const Part *part,
                uint32_t window_last, const char *note) {
    if (part)
        fprintf(out, "%s: %s (console number %d)\n", part_label,
                part->name ? part->name : "no name", part->console_number);
    fprintf(out, "%s: 0x%X-0x%X (%u KiB%s)\n", window_label, FLASH_FIRST, window_last,
            (window_last - FLASH_FIRST + 1) / 1024, note);
}

void inspection_print(FILE *out, const Inspection &inspection) {
    const Layout &layout = *inspection.layout;
    int code = inspection.part_code;
    if (!layout.header_size)
        fprintf(out, "part: not recorded in a %s file\n", layout.name);
    else if (inspection.part)
        fprintf(out, "part code: '%c' (0x%02X)\n", code, code);
    else if (code >= 0)
        fprintf(out, "part code: 0x%02X\n", code);
    part_print(out, "part", "flash window", inspection.part, inspection.window_last,
               inspection.part ? "" : ", the larger one, as the file names no part");
    size_t records = inspection.records;
    fprintf(out, "records: %zu\n", records);
    fprintf(out, "checksums held: %zu of %zu\n", records - inspection.faults.count[FAULT_CHECKSUM],
            records);
    if (records == 0) {
        fprintf(out, "pages: none\n");
        return;
    }
    fprintf(out, "first address: 0x%X\n", inspection.first_page);
    fprintf(out, "last address: 0x%X\n", inspection.last_page + FLASH_PAGE_SIZE - 1);
    run_print<RUNS_SHOWN>(out, "pages", inspection.runs, FLASH_PAGE_SIZE, "page");
}
