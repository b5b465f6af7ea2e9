#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

#include <vector>

using namespace lumbrix;

namespace {

using Bytes = std::vector<uint8_t>;

struct Span {
    uint32_t start;
    Bytes bytes;
    bool operator==(const Span &) const = default;
};

Bytes fill(size_t count, uint8_t value) {
    return Bytes(count, value);
}

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Span> spans_of(const SegmentList list) {
    std::vector<Span> spans;
    for (const Segment *s = list; s; s = s->next)
        spans.push_back({s->start, s->data ? Bytes(s->data, s->data + s->length) : Bytes()});
    return spans;
}

struct AddCase {
    const char *label;
    std::vector<Span> added; // in this order
    std::vector<Span> held;
};

class SegmentListAdd : public testing::TestWithParam<AddCase> {};

TEST_P(SegmentListAdd, KeepsRunsOrderedCoalescedAndLaterBytesWin) {
    SegmentList list = nullptr;
    for (const Span &span : GetParam().added)
        segment_list_add(&list, span.bytes.data(), span.start,
                         static_cast<uint32_t>(span.bytes.size()));
    EXPECT_EQ(GetParam().held, spans_of(list));
    unsigned long allocations = mem_allocations();
    for (const Span &span : GetParam().held) // writing what is held again takes no memory
        segment_list_add(&list, span.bytes.data(), span.start,
                         static_cast<uint32_t>(span.bytes.size()));
    EXPECT_EQ(allocations, mem_allocations());
    SegmentList copy = nullptr;
    segment_list_add_all(&copy, &list);
    EXPECT_EQ(GetParam().held, spans_of(copy));
    segment_list_free(&copy);
    segment_list_free(&list);
    EXPECT_EQ(nullptr, list);
}

// One row per way a new run can meet the runs held before it.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SegmentListAdd, testing::Values(
    AddCase{"overlap_after", {{16, fill(16, 1)}, {24, fill(16, 2)}}, {{16, fill(8, 1) + fill(16, 2)}}},
    AddCase{"abut_before", {{32, fill(16, 2)}, {16, fill(16, 1)}}, {{16, fill(16, 1) + fill(16, 2)}}},
    AddCase{"abut_after", {{16, fill(16, 1)}, {32, fill(1, 2)}}, {{16, fill(16, 1) + fill(1, 2)}}},
    AddCase{"gap_of_one", {{16, fill(16, 1)}, {33, fill(16, 2)}, {0, fill(15, 3)}},
            {{0, fill(15, 3)}, {16, fill(16, 1)}, {33, fill(16, 2)}}},
    AddCase{"covers_all", {{16, fill(16, 1)}, {16, fill(32, 2)}}, {{16, fill(32, 2)}}},
    AddCase{"inside", {{16, fill(32, 1)}, {24, fill(8, 2)}}, {{16, fill(8, 1) + fill(8, 2) + fill(16, 1)}}},
    AddCase{"overlap_before", {{32, fill(16, 1)}, {24, fill(16, 2)}}, {{24, fill(16, 2) + fill(8, 1)}}},
    AddCase{"joins_three", {{0, fill(16, 1)}, {32, fill(16, 3)}, {64, fill(16, 4)}, {16, fill(48, 2)}},
            {{0, fill(16, 1) + fill(48, 2) + fill(16, 4)}}},
    AddCase{"top_of_space", {{0xFFFFFFF0, fill(16, 1)}, {0xFFFFFFE0, fill(16, 2)}},
            {{0xFFFFFFE0, fill(16, 2) + fill(16, 1)}}}),
    [](const auto &info) { return info.param.label; });
// clang-format on

struct PadCase {
    const char *label;
    std::vector<Span> held = {};
    uint32_t start, length;
    unsigned add_if_empty = 0;
    uint32_t present = 0; // what pad returns: addresses of the range that held a byte
    std::vector<Span> after = {};
};

class SegmentListPad : public testing::TestWithParam<PadCase> {};

TEST_P(SegmentListPad, FillsTheGapsOfARangeThatHeldAByte) {
    const PadCase &c = GetParam();
    SegmentList list = nullptr;
    for (const Span &span : c.held)
        segment_list_add(&list, span.bytes.data(), span.start,
                         static_cast<uint32_t>(span.bytes.size()));
    EXPECT_EQ(c.present, segment_list_pad(&list, c.start, c.length, 0x1FF, c.add_if_empty));
    EXPECT_EQ(c.after, spans_of(list));
    segment_list_free(&list);
}

// Fill 0xFF throughout; runs of 1s and 2s are held before the pad.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SegmentListPad, testing::Values(
    PadCase{.label = "empty_range_stays_empty", .held = {{64, fill(4, 1)}}, .start = 16, .length = 8,
            .present = 0, .after = {{64, fill(4, 1)}}},
    PadCase{.label = "empty_range_added_on_request", .held = {{64, fill(4, 1)}}, .start = 16, .length = 8,
            .add_if_empty = 0x101, .after = {{16, fill(8, 0xFF)}, {64, fill(4, 1)}}},
    PadCase{.label = "request_uses_the_low_byte", .start = 16, .length = 8, .add_if_empty = 0x100},
    PadCase{.label = "range_held_whole", .held = {{16, fill(8, 1)}}, .start = 16, .length = 8,
            .present = 8, .after = {{16, fill(8, 1)}}},
    PadCase{.label = "gaps_filled_and_joined", .held = {{18, fill(2, 1)}, {21, fill(1, 2)}},
            .start = 16, .length = 8, .present = 3,
            .after = {{16, fill(2, 0xFF) + fill(2, 1) + fill(1, 0xFF) + fill(1, 2) + fill(2, 0xFF)}}},
    PadCase{.label = "runs_reaching_out_kept", .held = {{12, fill(6, 1)}, {22, fill(6, 2)}},
            .start = 16, .length = 8, .present = 4,
            .after = {{12, fill(6, 1) + fill(4, 0xFF) + fill(6, 2)}}},
    PadCase{.label = "neighbours_abutting_join", .held = {{8, fill(8, 1)}, {20, fill(1, 2)}, {24, fill(4, 1)}},
            .start = 16, .length = 8, .present = 1,
            .after = {{8, fill(8, 1) + fill(4, 0xFF) + fill(1, 2) + fill(3, 0xFF) + fill(4, 1)}}}),
    [](const auto &info) { return info.param.label; });
// clang-format on

// Bytes lost to a failed allocation stay lost: a pad keeps their range without bytes rather
// than fill it as if it had held none.
TEST(SegmentListPad, KeepsLostBytesLost) {
    SegmentList list = nullptr;
    Bytes bytes = fill(8, 1);
    segment_list_add(&list, bytes.data(), 16, 8);
    mem_fail_at(1); // the buffer cannot grow to take the run behind it
    EXPECT_EQ(1, segment_list_add(&list, bytes.data(), 24, 8));
    EXPECT_EQ(16u, segment_list_pad(&list, 16, 32, 0xFF, 0));
    EXPECT_EQ((std::vector<Span>{{16, {}}}), spans_of(list));
    EXPECT_EQ(32u, list->length);
    segment_list_free(&list);
}

TEST(RangeOverlap, GivesTheSharedRangeOnlyWhenThereIsOne) {
    uint32_t out[2] = {7, 7};
    EXPECT_EQ(0, range_overlap(0, 9, 10, 19, out));
    EXPECT_EQ((std::vector<uint32_t>{7, 7}), std::vector<uint32_t>(out, out + 2));
    EXPECT_EQ(1, range_overlap(5, 20, 10, 29, out));
    EXPECT_EQ((std::vector<uint32_t>{10, 11}), std::vector<uint32_t>(out, out + 2));
    EXPECT_EQ(1, range_overlap(0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, nullptr));
}

} // namespace
