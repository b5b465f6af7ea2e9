#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
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
    SegmentList copy = nullptr;
    segment_list_add_all(&copy, &list);
    EXPECT_EQ(GetParam().held, spans_of(copy));
    segment_list_free(&copy);
    segment_list_free(&list);
    EXPECT_EQ(nullptr, list);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentListAdd,
    testing::Values(
        AddCase{"overlap_after",
                {{16, fill(16, 1)}, {24, fill(16, 2)}},
                {{16, fill(8, 1) + fill(16, 2)}}},
        AddCase{"abut_before",
                {{32, fill(16, 2)}, {16, fill(16, 1)}},
                {{16, fill(16, 1) + fill(16, 2)}}},
        AddCase{
            "abut_after", {{16, fill(16, 1)}, {32, fill(1, 2)}}, {{16, fill(16, 1) + fill(1, 2)}}},
        AddCase{"gap_of_one",
                {{16, fill(16, 1)}, {33, fill(16, 2)}, {0, fill(15, 3)}},
                {{0, fill(15, 3)}, {16, fill(16, 1)}, {33, fill(16, 2)}}},
        AddCase{"covers_all", {{16, fill(16, 1)}, {16, fill(32, 2)}}, {{16, fill(32, 2)}}},
        AddCase{"inside",
                {{16, fill(32, 1)}, {24, fill(8, 2)}},
                {{16, fill(8, 1) + fill(8, 2) + fill(16, 1)}}},
        AddCase{"overlap_before",
                {{32, fill(16, 1)}, {24, fill(16, 2)}},
                {{24, fill(16, 2) + fill(8, 1)}}},
        AddCase{"joins_three",
                {{0, fill(16, 1)}, {32, fill(16, 3)}, {64, fill(16, 4)}, {16, fill(48, 2)}},
                {{0, fill(16, 1) + fill(48, 2) + fill(16, 4)}}},
        AddCase{"top_of_space",
                {{0xFFFFFFF0, fill(16, 1)}, {0xFFFFFFE0, fill(16, 2)}},
                {{0xFFFFFFE0, fill(16, 2) + fill(16, 1)}}}),
    [](const auto &info) { return info.param.label; });

// Every order of the same one-byte runs builds one segment.
TEST(SegmentListOrder, AnyOrderBuildsTheSameImage) {
    std::vector<uint32_t> ascending(1000);
    std::iota(ascending.begin(), ascending.end(), 0);
    std::vector<uint32_t> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5516));
    std::vector<uint32_t> even_then_odd; // 500 segments first, then the gaps at random
    std::copy_if(ascending.begin(), ascending.end(), std::back_inserter(even_then_odd),
                 [](uint32_t i) { return i % 2 == 0; });
    std::copy_if(shuffled.begin(), shuffled.end(), std::back_inserter(even_then_odd),
                 [](uint32_t i) { return i % 2 == 1; });
    struct Row {
        const char *label;
        std::vector<uint32_t> order;
    } rows[] = {{"descending", {ascending.rbegin(), ascending.rend()}},
                {"shuffled", shuffled},
                {"even then odd", even_then_odd}};
    Bytes all(1000);
    std::transform(ascending.begin(), ascending.end(), all.begin(),
                   [](uint32_t i) { return static_cast<uint8_t>(i); });
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        SegmentList list = nullptr;
        for (uint32_t i : row.order) {
            uint8_t byte = static_cast<uint8_t>(i);
            segment_list_add(&list, &byte, 0x80000 + i, 1);
        }
        EXPECT_EQ(spans_of(list), (std::vector<Span>{{0x80000, all}}));
        segment_list_free(&list);
    }
}

} // namespace
