#include "report_json.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>

using namespace lumbrix;
using json = nlohmann::ordered_json;

// Bytes from a file, each as the character of that code (ISO 8859-1), so that every byte,
// zero and invalid UTF-8 included, comes back as it was.
static std::string latin1_as_utf8(const char *bytes, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) // two bytes: the lead, then the low six bits
            text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(c < 0x80 ? c : 0x80 | (c & 0x3F));
    }
    return text;
}

static json part_json(const Part *part) {
    if (!part)
        return nullptr;
    return {{"name", part->name ? json(part->name) : json(nullptr)},
            {"console_number", part->console_number}};
}

// {"count": all, "runs": [...]}, each run in `unit_size` units as "pages" or in "bytes".
static json runs_json(const RunList &list, uint32_t unit_size, const char *units) {
    json runs = json::array();
    for (size_t i = 0; i < list.count && i < KEPT; ++i) {
        const AddressRun &run = list.runs[i];
        json entry = {{"first", run.first},
                      {"last", run.last},
                      {units, (run.last - run.first + 1) / unit_size}};
        if (unit_size > 1)
            entry["only_0xff"] = run.fill;
        runs.push_back(entry);
    }
    return {{"count", list.count}, {"runs", runs}};
}

// {"counts": {kind: n}, "list": [{"kind", "text"}]}
static json faults_json(const FaultList &list) {
    json counts = json::object(), entries = json::array();
    for (int kind = 0; kind < FAULT_KINDS; ++kind)
        if (list.count[kind] > 0)
            counts[fault_kind_name(static_cast<FaultKind>(kind))] = list.count[kind];
    for (size_t i = 0; i < list.line_count; ++i)
        entries.push_back(
            {{"kind", fault_kind_name(list.lines[i].kind)}, {"text", list.lines[i].text}});
    return {{"counts", counts}, {"list", entries}};
}

static json inspection_json(const Inspection &inspection) {
    bool any = inspection.records > 0;
    return {
        {"part_code", inspection.part_code >= 0 ? json(inspection.part_code) : json(nullptr)},
        {"part", part_json(inspection.part)},
        {"flash_window",
         {{"first", FLASH_FIRST},
          {"last", inspection.window_last},
          {"named", inspection.part != nullptr}}},
        {"records", inspection.records},
        {"checksums_held", inspection.records - inspection.faults.count[FAULT_CHECKSUM]},
        {"first_address", any ? json(inspection.first_page) : json(nullptr)},
        {"last_address", any ? json(inspection.last_page + FLASH_PAGE_SIZE - 1) : json(nullptr)},
        {"pages", runs_json(inspection.runs, FLASH_PAGE_SIZE, "pages")},
    };
}

static json source_json(const SourceCheck &check, const SourceRequest &request) {
    json rejected = json::array(), unread = json::array();
    for (size_t i = 0; i < check.rejected.count && i < KEPT; ++i)
        rejected.push_back({{"line", check.rejected.kept[i].line},
                            {"fault", line_fault_name(check.rejected.kept[i].fault)}});
    for (size_t i = 0; i < check.unread.count && i < KEPT; ++i) {
        const UnreadLine &line = check.unread.kept[i];
        unread.push_back({{"line", line.line},
                          {"text", latin1_as_utf8(line.text, line.length)},
                          {"cut", line.cut}});
    }
    return {
        {"part", part_json(check.part)},
        {"window", {{"first", FLASH_FIRST}, {"last", check.part->flash_last}}},
        {"forced_base", request.forced_base},
        {"bytes_in_window", check.inside},
        {"bytes_outside_window", check.outside},
        {"dropped", runs_json(check.dropped, 1, "bytes")},
        {"overlaps", runs_json(overlaps(check), 1, "bytes")},
        {"rejected", {{"count", check.rejected.count}, {"lines", rejected}}},
        {"unread", {{"count", check.unread.count}, {"lines", unread}}},
        {"faults", faults_json(check.faults)},
    };
}

void report_json_print(FILE *out, const Report &report) {
    const Inspection &inspection = report.inspection;
    const Options &options = report.options;
    json object = {
        {"schema", REPORT_SCHEMA},
        {"file", options.path},
        {"size", report.size},
        {"fits", report.fits ? json(report.fits->name) : json(nullptr)},
        {"layout", inspection.layout ? json(inspection.layout->name) : json(nullptr)},
    };
    if (inspection.layout)
        object.update(inspection_json(inspection));
    object["faults"] = faults_json(inspection.faults);
    if (options.source.path) {
        json source = {{"path", options.source.path}, {"compared", report.check != nullptr}};
        if (report.check)
            source.update(source_json(*report.check, options.source));
        object["source"] = source;
    }
    object["fault_count"] = report.faults;
    object["result"] = report.result;
    // A path that is not UTF-8 shows its stray bytes as U+FFFD.
    std::string text = object.dump(2, ' ', false, json::error_handler_t::replace);
    fprintf(out, "%s\n", text.c_str());
}
