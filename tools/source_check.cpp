#include "source_check.h"

#include "hex_writer.h"
#include "lumbrix/download.h"
#include "lumbrix/ihex.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace lumbrix;

namespace {

// A data record as the reader handed it over; its bytes lie in Source::bytes from `offset` on.
struct Record {
    uint32_t address;
    size_t offset;
    uint32_t length;
};

struct Source {
    std::vector<Record> records; // in the order the HEX file gives them
    std::vector<uint8_t> bytes;
};

struct Run {
    uint32_t first, last;
};

// What the HEX file gives, address by address.
struct Survey {
    size_t inside = 0, outside = 0; // addresses inside and outside the window
    size_t conflicting = 0;         // addresses given more than once with different values
    std::vector<Run> dropped;       // runs outside the window, which the converter leaves out
    std::vector<Run> overlaps;      // runs given more than once with different values
};

struct Given {
    uint32_t address;
    uint8_t value;
};

} // namespace

// A sink has no argument of its own to say where to keep things, hence the file-scope pointer.
static Source *reading_into;

static int keep_record(const uint8_t *bytes, uint32_t address, uint32_t length) {
    reading_into->records.push_back({address, reading_into->bytes.size(), length});
    reading_into->bytes.insert(reading_into->bytes.end(), bytes, bytes + length);
    return 0;
}

// Read the HEX file once, with the engine's reader, which reports its bad lines on stderr.
static bool read_source(const char *path, bool forced_base, Source &source) {
    FILE *in = fopen(path, "r");
    if (!in)
        return false;
    reading_into = &source;
    read_intel_hex(in, keep_record, forced_base);
    reading_into = nullptr;
    bool whole = !ferror(in);
    fclose(in);
    return whole;
}

// The writers close their output; a second handle keeps the temporary file to read back.
static FILE *second_handle(FILE *file) {
#ifdef _WIN32
    int copy = _dup(_fileno(file));
    FILE *handle = copy < 0 ? nullptr : _fdopen(copy, "rb");
    if (copy >= 0 && !handle)
        _close(copy);
#else
    int copy = dup(fileno(file));
    FILE *handle = copy < 0 ? nullptr : fdopen(copy, "rb");
    if (copy >= 0 && !handle)
        close(copy);
#endif
    return handle;
}

// What the converter writes for the records: they go back out as HEX at the addresses the
// reader gave them, so the engine's sink, image and writer see exactly what they saw then,
// whichever way extended addresses were read, and no bad line is reported twice.
static bool convert_again(const Source &source, int part_code, const Layout &layout,
                          std::vector<uint8_t> &converted) {
    FILE *hex = tmpfile();
    FILE *out = tmpfile();
    FILE *back = out ? second_handle(out) : nullptr;
    if (!hex || !back) {
        for (FILE *file : {hex, out})
            if (file)
                fclose(file);
        return false;
    }
    HexCursor cursor{hex};
    for (const Record &r : source.records)
        write_run_as_hex(cursor, r.address, source.bytes.data() + r.offset, r.length);
    bool written = finish_hex(cursor) == 0 && fflush(hex) == 0;
    rewind(hex);
    int result = write_download(hex, out, part_code, layout);
    rewind(back);
    bool read = read_stream(back, converted);
    fclose(back);
    return written && result == 0 && read;
}

static void extend(std::vector<Run> &runs, uint32_t address) {
    if (!runs.empty() && runs.back().last + 1 == address)
        runs.back().last = address;
    else
        runs.push_back({address, address});
}

static Survey survey(const Source &source, uint32_t window_last) {
    std::vector<Given> given;
    given.reserve(source.bytes.size());
    for (const Record &r : source.records)
        for (uint32_t i = 0; i < r.length; ++i)
            given.push_back({r.address + i, source.bytes[r.offset + i]});
    std::sort(given.begin(), given.end(),
              [](const Given &a, const Given &b) { return a.address < b.address; });
    Survey result;
    for (size_t i = 0, end; i < given.size(); i = end) {
        bool differ = false;
        for (end = i + 1; end < given.size() && given[end].address == given[i].address; ++end)
            differ |= given[end].value != given[i].value;
        uint32_t address = given[i].address;
        if (address >= FLASH_FIRST && address <= window_last) {
            ++result.inside;
        } else {
            ++result.outside;
            extend(result.dropped, address);
        }
        if (differ) {
            ++result.conflicting;
            extend(result.overlaps, address);
        }
    }
    return result;
}

static void note_runs(std::vector<std::string> &notes, const char *name,
                      const std::vector<Run> &runs) {
    for (const Run &run : runs) {
        uint32_t count = run.last - run.first + 1;
        notes.push_back(format_line("%s: 0x%X-0x%X (%u byte%s)", name, run.first, run.last, count,
                                    count == 1 ? "" : "s"));
    }
}

static void note_source(std::vector<std::string> &notes, const SourceRequest &request,
                        const Part &part, const Survey &survey) {
    uint32_t last = part.flash_last;
    notes.push_back(format_line("source part: %s (console number %d)",
                                part.name ? part.name : "no name", part.console_number));
    notes.push_back(format_line("source window: 0x%X-0x%X (%u KiB)", FLASH_FIRST, last,
                                (last - FLASH_FIRST + 1) / 1024));
    notes.push_back(request.forced_base ? "source addresses: forced into the flash region"
                                        : "source addresses: as given");
    notes.push_back(format_line("source bytes in window: %zu", survey.inside));
    notes.push_back(format_line("source bytes outside window: %zu", survey.outside));
    note_runs(notes, "dropped", survey.dropped);
    note_runs(notes, "overlap", survey.overlaps);
}

static std::string pages_text(const std::vector<Page> &pages) {
    if (pages.empty())
        return "none";
    return format_line("0x%X-0x%X", pages.front().address,
                       pages.back().address + FLASH_PAGE_SIZE - 1);
}

// Page by page, in address order. A layout that writes every page must hold the run of pages
// the HEX file calls for, so only its ends and its gaps are reported, not each page beyond
// them.
static void compare_pages(const std::vector<Page> &stored, const std::vector<Page> &expected,
                          const Layout &layout, std::vector<std::string> &faults) {
    std::string have = pages_text(stored), want = pages_text(expected);
    if (layout.every_page && have != want)
        faults.push_back("pages " + have + ", the HEX file gives " + want);
    std::map<uint32_t, std::pair<const uint8_t *, const uint8_t *>> pages; // stored, expected
    for (const Page &page : stored)
        if (!pages[page.address].first)
            pages[page.address].first = page.data;
    for (const Page &page : expected)
        pages[page.address].second = page.data;
    for (const auto &[address, data] : pages) {
        auto [held, given] = data;
        if (held && given) {
            auto differs = std::mismatch(held, held + FLASH_PAGE_SIZE, given);
            if (differs.first != held + FLASH_PAGE_SIZE)
                faults.push_back(format_line("page 0x%X: byte 0x%X stored 0x%02X, expected 0x%02X",
                                             address, address + (differs.first - held),
                                             *differs.first, *differs.second));
        } else if (given &&
                   (!layout.every_page || (!stored.empty() && address > stored.front().address &&
                                           address < stored.back().address))) {
            faults.push_back(
                format_line("page 0x%X: in the HEX file, missing from the file", address));
        } else if (held && !layout.every_page) {
            faults.push_back(format_line("page 0x%X: in the file, not in the HEX file", address));
        }
    }
}

// The part to convert for: the one asked for, else the one the file names, if it names one.
static const Part *part_to_check(const SourceRequest &request, const std::vector<uint8_t> &file,
                                 const Layout &layout) {
    if (request.part)
        return request.part;
    return layout.header_size && !file.empty() ? part_by_code(file[0]) : nullptr;
}

bool check_source(const SourceRequest &request, const std::vector<uint8_t> &file,
                  const Layout *layout, Inspection &inspection) {
    std::vector<std::string> &faults = inspection.faults;
    inspection.notes.push_back(format_line("source: %s", request.path));
    if (!layout)
        return true; // nothing to compare with; the layout's fault says so
    const Part *part = part_to_check(request, file, *layout);
    if (!part) {
        faults.push_back("source not compared: the file names no part; give --part");
        return true;
    }
    if (layout->header_size && !file.empty() && file[0] != part->code)
        faults.push_back(
            format_line("--part %d is part code '%c', the file's part-code byte is 0x%02X",
                        part->console_number, part->code, file[0]));

    Source source;
    if (!read_source(request.path, request.forced_base, source)) {
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", request.path, strerror(errno));
        return false;
    }
    Survey given = survey(source, part->flash_last);
    note_source(inspection.notes, request, *part, given);
    std::vector<uint8_t> converted;
    if (!convert_again(source, part->code, *layout, converted)) {
        fprintf(stderr, "lumbrix_inspect: cannot convert %s again: %s\n", request.path,
                strerror(errno));
        return false;
    }
    compare_pages(inspection.pages, inspect_download(converted, *layout).pages, *layout, faults);
    if (request.strict && given.outside > 0)
        faults.push_back(format_line("%zu source bytes outside the flash window", given.outside));
    if (request.strict && given.conflicting > 0)
        faults.push_back(
            format_line("%zu source addresses given different values", given.conflicting));
    return true;
}
