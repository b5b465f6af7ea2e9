#include "source_check.h"

#include "lumbrix/download.h"
#include "lumbrix/segment_list.h"

#include <algorithm>
#include <cstring>

using namespace lumbrix;

enum : uint8_t { NOT_GIVEN, GIVEN, GIVEN_DIFFERENT };

static constexpr size_t NO_PAGE = WINDOW_PAGES_MAX;

// Bytes outside the window are only counted: their runs are kept as the HEX file gives them.
static void survey_record(void *context, const uint8_t *bytes, uint32_t address, uint32_t length) {
    SourceCheck &check = *static_cast<SourceCheck *>(context);
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t at = address + i - FLASH_FIRST;
        if (at > check.part->flash_last - FLASH_FIRST) {
            ++check.outside;
            run_add(check.dropped, address + i, address + i, false);
        } else if (check.given[at] == NOT_GIVEN) {
            ++check.inside;
            check.given[at] = GIVEN;
            check.value[at] = bytes[i];
        } else if (check.given[at] == GIVEN && check.value[at] != bytes[i]) {
            check.given[at] = GIVEN_DIFFERENT;
            ++check.conflicting;
        }
    }
}

static void survey_rejected(void *context, LineFault fault, size_t line) {
    SourceCheck &check = *static_cast<SourceCheck *>(context);
    if (RejectedLine *kept = line_add(check.rejected))
        *kept = {line, fault};
}

static void survey_unread(void *context, size_t line, const char *text, size_t length) {
    SourceCheck &check = *static_cast<SourceCheck *>(context);
    UnreadLine *kept = line_add(check.unread);
    if (!kept)
        return;
    kept->line = line;
    kept->length = std::min(length, sizeof kept->text);
    kept->cut = length > kept->length;
    memcpy(kept->text, text, kept->length);
}

bool source_read(SourceCheck &check, FILE *hex, const Part &part, const Layout &layout,
                 bool forced_base) {
    check.part = &part;
    check.first_expected = check.last_expected = NO_PAGE;
    ReadWatch watch = {&check, survey_record, survey_rejected, survey_unread};
    int result = image_load(hex, part.code, layout, forced_base, &watch);
    for (const Segment *s = result == 0 ? g_image : nullptr; s; s = s->next)
        for (uint32_t offset = 0; offset < s->length; offset += FLASH_PAGE_SIZE) {
            size_t page = (s->start + offset - FLASH_FIRST) / FLASH_PAGE_SIZE;
            check.expected[page] = s->data + offset;
            if (check.first_expected == NO_PAGE)
                check.first_expected = page;
            check.last_expected = page;
        }
    return result == 0;
}

static uint32_t page_address(size_t page) {
    return FLASH_FIRST + static_cast<uint32_t>(page) * FLASH_PAGE_SIZE;
}

void source_compare_page(SourceCheck &check, const Layout &layout, uint32_t address,
                         const uint8_t *data) {
    size_t page = (address - FLASH_FIRST) / FLASH_PAGE_SIZE;
    if (address < FLASH_FIRST || address % FLASH_PAGE_SIZE != 0 || page >= WINDOW_PAGES_MAX) {
        if (!layout.every_page)
            fault_add(check.faults, FAULT_EXTRA, "page 0x%X: in the file, not in the HEX file",
                      address);
        return;
    }
    SourceCheck::Stored &stored = check.stored[page];
    const uint8_t *wanted = check.expected[page];
    if (!stored.seen && wanted) // a page given twice is compared as first given
        for (uint32_t i = 0; i < FLASH_PAGE_SIZE && !stored.differs_at; ++i)
            if (data[i] != wanted[i])
                stored = {true, i + 1, data[i], wanted[i]};
    stored.seen = true;
}

static void range_text(char *text, size_t size, bool any, uint32_t first, uint32_t last) {
    if (any)
        snprintf(text, size, "0x%X-0x%X", first, last + FLASH_PAGE_SIZE - 1);
    else
        snprintf(text, size, "none");
}

// A layout that writes every page must hold the run of pages the HEX file calls for, so only
// its ends and its gaps are faults, not each page beyond them.
static void check_range(SourceCheck &check, const Inspection &inspection) {
    char have[40], want[40];
    range_text(have, sizeof have, inspection.records > 0, inspection.first_page,
               inspection.last_page);
    range_text(want, sizeof want, check.first_expected != NO_PAGE,
               page_address(check.first_expected), page_address(check.last_expected));
    if (strcmp(have, want) != 0)
        fault_add(check.faults, FAULT_SOURCE_RANGE, "pages %s, the HEX file gives %s", have, want);
}

void source_finish(SourceCheck &check, const Inspection &inspection, const SourceRequest &request,
                   bool strict) {
    const Layout &layout = *inspection.layout;
    if (layout.every_page)
        check_range(check, inspection);
    for (size_t page = 0; page < WINDOW_PAGES_MAX; ++page) {
        uint32_t address = page_address(page);
        const SourceCheck::Stored &stored = check.stored[page];
        const uint8_t *wanted = check.expected[page];
        bool between = inspection.records > 0 && address > inspection.first_page &&
                       address < inspection.last_page;
        if (stored.differs_at)
            fault_add(check.faults, FAULT_DIFFERS,
                      "page 0x%X: byte 0x%X stored 0x%02X, expected 0x%02X", address,
                      address + stored.differs_at - 1, stored.held, stored.wanted);
        else if (wanted && !stored.seen && (!layout.every_page || between))
            fault_add(check.faults, FAULT_MISSING,
                      "page 0x%X: in the HEX file, missing from the file", address);
        else if (stored.seen && !wanted && !layout.every_page)
            fault_add(check.faults, FAULT_EXTRA, "page 0x%X: in the file, not in the HEX file",
                      address);
    }
    if (!strict)
        return;
    if (check.outside > 0 && !request.allow_outside)
        fault_add(check.faults, FAULT_SOURCE_OUTSIDE, "%zu source byte%s outside the flash window",
                  check.outside, check.outside == 1 ? "" : "s");
    if (check.conflicting > 0)
        fault_add(check.faults, FAULT_SOURCE_OVERLAP, "%zu source address%s given different values",
                  check.conflicting, check.conflicting == 1 ? "" : "es");
    if (check.rejected.count > 0)
        fault_add(check.faults, FAULT_SOURCE_REJECTED, "%zu source line%s rejected",
                  check.rejected.count, check.rejected.count == 1 ? "" : "s");
    if (check.unread.count > 0)
        fault_add(check.faults, FAULT_SOURCE_UNREAD, "%zu source line%s with text not read",
                  check.unread.count, check.unread.count == 1 ? "" : "s");
}

RunList overlaps(const SourceCheck &check) {
    RunList runs{};
    for (uint32_t at = 0; at < WINDOW_BYTES_MAX; ++at)
        if (check.given[at] == GIVEN_DIFFERENT)
            run_add(runs, FLASH_FIRST + at, FLASH_FIRST + at, false);
    return runs;
}

// The text in quotes, as C writes it: printable characters as they are, others escaped.
static void unread_print(FILE *out, const UnreadLine &unread) {
    fprintf(out, "unread: line %zu: \"", unread.line);
    for (size_t i = 0; i < unread.length; ++i) {
        unsigned char c = static_cast<unsigned char>(unread.text[i]);
        if (c == '"' || c == '\\')
            fprintf(out, "\\%c", c);
        else if (c >= 0x20 && c < 0x7F)
            fputc(c, out);
        else
            fprintf(out, "\\x%02X", c);
    }
    fprintf(out, "\"%s\n", unread.cut ? "..." : "");
}

void source_print(FILE *out, const SourceCheck &check, const SourceRequest &request) {
    part_print(out, "source part", "source window", check.part, check.part->flash_last, "");
    fprintf(out, "source addresses: %s\n",
            request.forced_base ? "forced into the flash region" : "as given");
    fprintf(out, "source bytes in window: %zu\n", check.inside);
    fprintf(out, "source bytes outside window: %zu\n", check.outside);
    run_print<SHOWN>(out, "dropped", check.dropped, 1, "byte");
    run_print<SHOWN>(out, "overlap", overlaps(check), 1, "byte");
    fprintf(out, "rejected: %zu line%s\n", check.rejected.count,
            check.rejected.count == 1 ? "" : "s");
    for (size_t i = 0; i < check.rejected.count && i < SHOWN; ++i)
        fprintf(out, "rejected: line %zu: %s\n", check.rejected.kept[i].line,
                line_fault_name(check.rejected.kept[i].fault));
    fprintf(out, "unread: %zu line%s\n", check.unread.count, check.unread.count == 1 ? "" : "s");
    for (size_t i = 0; i < check.unread.count && i < SHOWN; ++i)
        unread_print(out, check.unread.kept[i]);
}
