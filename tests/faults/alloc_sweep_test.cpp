// Makes each allocation of a conversion fail in turn, one run per allocation. What a run fails
// to give back is reported by the leak checker of the sanitizer build at the end of the test.
#include "conversion.h"
#include "files.h"
#include "hex_text.h"

#include "inspect.h"
#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

using namespace lumbrix;

namespace {

// Runs `attempt` once with no allocation failing, then once with each allocation that run took
// failing in turn and once with the one after it, which is never reached; `attempt` is told
// whether one of its allocations fails. Exactly that one must fail, and the image stay empty.
template <typename Attempt> void sweep_allocations(Attempt attempt) {
    unsigned long first = mem_allocations();
    attempt(false);
    unsigned long allocations = mem_allocations() - first;
    for (unsigned long n = 1; n <= allocations + 1; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
        unsigned long failures = mem_failures();
        mem_fail_at(n);
        attempt(n <= allocations);
        mem_fail_at(0);
        EXPECT_EQ(n <= allocations ? 1u : 0u, mem_failures() - failures);
        EXPECT_EQ(nullptr, g_image);
    }
}

// A conversion that runs out of memory fails and writes no page; one that does not gives the
// undisturbed file.
void sweep(const char *label, const std::string &hex, bool type6, int part_code) {
    SCOPED_TRACE(label);
    SegmentList other = nullptr; // running out of memory outside a conversion is not its failure
    mem_fail_at(1);
    segment_list_pad(&other, 0x80000, 512, 0xFF, 1);
    Conversion clean = convert_in_memory(hex.data(), hex.size(), part_code, type6);
    ASSERT_EQ(0, clean.result);
    ASSERT_FALSE(clean.file.empty());
    std::vector<uint8_t> no_pages(type6, static_cast<uint8_t>(part_code)); // Type 6: its header
    sweep_allocations([&](bool failing) {
        Conversion run = convert_in_memory(hex.data(), hex.size(), part_code, type6);
        EXPECT_EQ(failing ? 1 : 0, run.result);
        EXPECT_EQ(failing ? no_pages : clean.file, run.file);
    });
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

TEST_P(AllocationSweep, Conversions) {
    testing::internal::CaptureStderr(); // the bad lines are reported on every run
    sweep("example firmware", read_file(LUMBRIX_EXAMPLES "/firmware.hex"), GetParam(), '6');
    sweep("overlapping records", overlapping_records(), GetParam(), '2');
    sweep("contiguous records with noise", contiguous_with_noise(), GetParam(), '0');
    testing::internal::GetCapturedStderr();
}

INSTANTIATE_TEST_SUITE_P(Layouts, AllocationSweep, testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Type6" : "Type4"; });

// The inspector's --source check takes memory only through the engine: a failure there ends it
// with one message and status 2, never with an abort or a report of what it could not see.
TEST(AllocationSweep, InspectorSourceCheck) {
    std::string hex = overlapping_records();
    std::vector<uint8_t> file = convert_in_memory(hex.data(), hex.size(), '2', true).file;
    const Options options{.path = "file.qvr", .source = {.path = "source.hex"}};
    sweep_allocations([&](bool failing) {
        FILE *download = fmemopen(file.data(), file.size(), "rb");
        FILE *source = fmemopen(hex.data(), hex.size(), "r");
        char *report = nullptr;
        size_t report_size = 0;
        FILE *out = open_memstream(&report, &report_size);
        testing::internal::CaptureStderr();
        Verdict verdict = inspect(options, {download, source, nullptr}, out);
        std::string err = testing::internal::GetCapturedStderr();
        for (FILE *stream : {download, source, out})
            fclose(stream);
        free(report);
        EXPECT_EQ(failing ? 2 : 0, verdict.status);
        EXPECT_EQ(failing ? "lumbrix_inspect: source.hex: out of memory\n" : "", err);
        EXPECT_EQ(failing, report_size == 0) << "a report only when it saw everything";
    });
}

} // namespace
