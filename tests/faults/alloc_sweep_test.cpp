// Makes each allocation of a conversion fail in turn, one run per allocation, until a run gets
// through without reaching the failing one. Every run must end with result 1 or with exactly
// the file of an undisturbed run, and leave the image empty. What a run fails to give back is
// reported by the leak checker of the sanitizer build at the end of the test.
#include "conversion.h"
#include "files.h"
#include "hex_text.h"

#include "inspect.h"
#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

using namespace lumbrix;

namespace {

struct Run {
    Conversion conversion;
    unsigned long allocations;
    unsigned long failures;
};

Run convert_failing(const std::string &hex, bool type6, int part_code, unsigned long fail_at) {
    unsigned long allocations = mem_allocations(), failures = mem_failures();
    mem_fail_at(fail_at);
    Conversion conversion = convert_in_memory(hex.data(), hex.size(), part_code, type6);
    mem_fail_at(0);
    return {conversion, mem_allocations() - allocations, mem_failures() - failures};
}

void sweep(const std::string &hex, bool type6, int part_code) {
    SegmentList other = nullptr; // running out of memory outside a conversion is not its failure
    mem_fail_at(1);
    segment_list_pad(&other, 0x80000, 512, 0xFF, 1);
    Run clean = convert_failing(hex, type6, part_code, 0);
    ASSERT_EQ(0, clean.conversion.result);
    ASSERT_EQ(0u, clean.failures);
    ASSERT_FALSE(clean.conversion.file.empty());
    for (unsigned long n = 1;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
        Run run = convert_failing(hex, type6, part_code, n);
        EXPECT_EQ(nullptr, g_image);
        if (run.allocations < n) { // the failing allocation was never reached
            EXPECT_EQ(0u, run.failures);
            EXPECT_EQ(0, run.conversion.result);
            EXPECT_EQ(clean.conversion.file, run.conversion.file);
            break;
        }
        EXPECT_EQ(1u, run.failures);
        EXPECT_EQ(1, run.conversion.result);
        ASSERT_LE(n, 100 * clean.allocations) << "the sweep does not come to an end";
    }
}

// Records in no order that overwrite each other, straddle page boundaries and the window's
// first address, and leave empty pages between the pages they fill.
std::string overlapping_records() {
    return hex_data_at(0x80410, hex_bytes(32, 0x10)) + hex_data_at(0x801F0, hex_bytes(32, 0x20)) +
           hex_data_at(0x7FFF8, hex_bytes(16, 0x30)) + hex_data_at(0x80404, hex_bytes(40, 0x40)) +
           hex_data_at(0x80000, hex_bytes(8, 0x50)) + hex_data_at(0x80C01, hex_bytes(1, 0x60)) +
           hex_data_at(0x80408, hex_bytes(8, 0x70));
}

// A run of contiguous records that grows one segment, with bad lines and a record past the
// 30 KiB window's end among them.
std::string contiguous_with_noise() {
    std::string hex = "garbage\n:10000000FFFF\n";
    for (uint32_t address = 0x87600; address < 0x87820; address += 32)
        hex += hex_data_at(address, hex_bytes(32, static_cast<uint8_t>(address >> 4)));
    return hex + hex_record(0x01, 0, {});
}

class AllocationSweep : public testing::TestWithParam<bool> {};

TEST_P(AllocationSweep, ExampleFirmware) {
    sweep(read_file(LUMBRIX_EXAMPLES "/firmware.hex"), GetParam(), '6');
}

TEST_P(AllocationSweep, OverlappingRecords) {
    sweep(overlapping_records(), GetParam(), '2');
}

TEST_P(AllocationSweep, ContiguousRecordsWithNoise) {
    testing::internal::CaptureStderr(); // the bad lines are reported on every run
    sweep(contiguous_with_noise(), GetParam(), '0');
    testing::internal::GetCapturedStderr();
}

INSTANTIATE_TEST_SUITE_P(Layouts, AllocationSweep, testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Type6" : "Type4"; });

// The inspector's --source check takes memory only through the engine: a failure there ends it
// with one message and status 1, never with an abort or a report of what it could not see.
TEST(AllocationSweep, InspectorSourceCheck) {
    std::string hex = overlapping_records();
    std::vector<uint8_t> file = convert_in_memory(hex.data(), hex.size(), '2', true).file;
    Options options;
    options.path = "file.qvr";
    options.source.path = "source.hex";
    for (unsigned long n = 1;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
        FILE *download = fmemopen(file.data(), file.size(), "rb");
        FILE *source = fmemopen(hex.data(), hex.size(), "r");
        char *report = nullptr;
        size_t report_size = 0;
        FILE *out = open_memstream(&report, &report_size);
        unsigned long allocations = mem_allocations();
        mem_fail_at(n);
        testing::internal::CaptureStderr();
        Verdict verdict = inspect(options, {download, source, nullptr}, out);
        std::string err = testing::internal::GetCapturedStderr();
        mem_fail_at(0);
        for (FILE *stream : {download, source, out})
            fclose(stream);
        std::string text(report, report_size);
        free(report);
        EXPECT_EQ(nullptr, g_image);
        if (mem_allocations() - allocations < n) {
            EXPECT_EQ(0, verdict.status) << text;
            break;
        }
        EXPECT_EQ(1, verdict.status);
        EXPECT_EQ("lumbrix_inspect: source.hex: out of memory\n", err);
        EXPECT_EQ("", text);
    }
}

} // namespace
