#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

using namespace lumbrix;

namespace {

struct Span {
    uint32_t start;
    std::vector<uint8_t> bytes;
    bool operator==(const Span &) const = default;
};

std::vector<uint8_t> bytes_of(size_t count, uint8_t value) {
    return std::vector<uint8_t>(count, value);
}

std::vector<uint8_t> counting(size_t count, uint8_t first = 0) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SegmentListTest : public ::testing::Test {
  protected:
    SegmentList list = nullptr;

    void TearDown() override { segment_list_free(&list); }

    void add(uint32_t address, const std::vector<uint8_t> &bytes) {
        segment_list_add(&list, bytes.data(), address, static_cast<uint32_t>(bytes.size()));
    }

    std::vector<Span> runs() const {
        std::vector<Span> result;
        for (const Segment *s = list; s; s = s->next)
            result.push_back({s->start, std::vector<uint8_t>(s->data, s->data + s->length)});
        return result;
    }
};

TEST(RangeOverlap, SharedRangeAndAbutment) {
    uint32_t out[2] = {7, 7};
    EXPECT_EQ(1, range_overlap(0x80000, 0x877FF, 0x7FFF0, 0x8000F, out));
    EXPECT_EQ(0x80000u, out[0]);
    EXPECT_EQ(16u, out[1]);
    EXPECT_EQ(1, range_overlap(10, 20, 20, 30, out));
    EXPECT_EQ(20u, out[0]);
    EXPECT_EQ(1u, out[1]);

    out[0] = out[1] = 7;
    EXPECT_EQ(0, range_overlap(10, 20, 21, 30, out));
    EXPECT_EQ(7u, out[0]) << "a miss leaves out alone";
    EXPECT_EQ(1, range_overlap(0, 0xFFFFFFFF, 5, 5, nullptr));
}

TEST_F(SegmentListTest, AdjacentAndOverlappingRunsCoalesce) {
    add(0x80000, counting(16));
    add(0x80008, counting(16, 0x40));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, concat(counting(8), counting(16, 0x40))}}));

    segment_list_free(&list);
    add(0x80010, counting(16, 0x40));
    add(0x80000, counting(16));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, concat(counting(16), counting(16, 0x40))}}));

    segment_list_free(&list);
    add(0x80000, counting(16));
    add(0x80011, counting(16));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, counting(16)}, {0x80011, counting(16)}}));
}

TEST_F(SegmentListTest, LaterBytesWin) {
    add(0x80000, bytes_of(16, 0x11));
    add(0x80000, bytes_of(32, 0x22));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, bytes_of(32, 0x22)}}));

    segment_list_free(&list);
    add(0x80000, bytes_of(32, 0x11));
    add(0x80000, bytes_of(16, 0x22));
    EXPECT_EQ(runs(),
              (std::vector<Span>{{0x80000, concat(bytes_of(16, 0x22), bytes_of(16, 0x11))}}));

    segment_list_free(&list);
    add(0x80000, bytes_of(32, 0x11));
    add(0x80008, bytes_of(8, 0x22));
    auto inside = concat(concat(bytes_of(8, 0x11), bytes_of(8, 0x22)), bytes_of(16, 0x11));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, inside}}));

    segment_list_free(&list);
    add(0x80010, bytes_of(16, 0x11));
    add(0x80008, bytes_of(16, 0x22));
    EXPECT_EQ(runs(),
              (std::vector<Span>{{0x80008, concat(bytes_of(16, 0x22), bytes_of(8, 0x11))}}));
}

TEST_F(SegmentListTest, RunAcrossSeveralSegmentsJoinsThem) {
    add(0x80000, bytes_of(16, 0x11));
    add(0x80020, bytes_of(16, 0x33));
    add(0x80040, bytes_of(16, 0x44));
    add(0x80010, bytes_of(0x30, 0x22));
    auto joined = concat(concat(bytes_of(16, 0x11), bytes_of(0x30, 0x22)), bytes_of(16, 0x44));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, joined}}));

    segment_list_free(&list);
    add(0x80100, counting(16));
    add(0x80000, counting(16));
    add(0x80010, bytes_of(0xF0, 0x22));
    ASSERT_EQ(1u, runs().size());
    EXPECT_EQ(272u, runs()[0].bytes.size());
    EXPECT_EQ(0x0F, runs()[0].bytes[0x10F]);
}

// However a run's place is found, every order of the same one-byte runs builds one segment.
TEST_F(SegmentListTest, AnyOrderBuildsTheSameImage) {
    std::vector<uint32_t> ascending(1000);
    std::iota(ascending.begin(), ascending.end(), 0);
    std::vector<uint32_t> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5516));
    std::vector<uint32_t> even_then_odd; // 500 segments first, then the gaps at random
    for (uint32_t i : ascending)
        if (i % 2 == 0)
            even_then_odd.push_back(i);
    for (uint32_t i : shuffled)
        if (i % 2)
            even_then_odd.push_back(i);
    struct Row {
        const char *label;
        std::vector<uint32_t> order;
        bool two_lists; // every run also goes to a second list in turn
    } rows[] = {{"descending", {ascending.rbegin(), ascending.rend()}, false},
                {"shuffled", shuffled, false},
                {"even then odd", even_then_odd, false},
                {"shuffled into two lists in turn", shuffled, true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        SegmentList other = nullptr;
        for (uint32_t i : row.order) {
            uint8_t byte = static_cast<uint8_t>(i);
            add(0x80000 + i, {byte});
            if (row.two_lists)
                segment_list_add(&other, &byte, 0x90000 + i, 1);
        }
        EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, counting(1000)}}));
        if (row.two_lists) {
            ASSERT_NE(nullptr, other);
            EXPECT_EQ(1000u, other->length);
            EXPECT_EQ(nullptr, other->next);
        }
        segment_list_free(&other);
        segment_list_free(&list);
    }
}

TEST_F(SegmentListTest, PadFillsGapsAndKeepsHeldBytes) {
    add(0x80000, counting(16));
    add(0x80100, counting(16));
    EXPECT_EQ(32u, segment_list_pad(&list, 0x80000, 512, 0xFF, 0));
    auto page = concat(concat(counting(16), bytes_of(0xF0, 0xFF)),
                       concat(counting(16), bytes_of(0xF0, 0xFF)));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, page}}));
    EXPECT_EQ(512u, segment_list_pad(&list, 0x80000, 512, 0xFF, 0));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, page}}));
}

TEST_F(SegmentListTest, PadAroundSegmentsThatStraddleTheRange) {
    add(0x7FFF0, counting(32));
    add(0x80100, counting(0x200));
    EXPECT_EQ(272u, segment_list_pad(&list, 0x80000, 512, 0x1AB, 0));
    auto expected = concat(concat(counting(32), bytes_of(0xF0, 0xAB)), counting(0x200));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x7FFF0, expected}}));
}

TEST_F(SegmentListTest, PadOfAnEmptyRangeAddsOnlyWhenAsked) {
    EXPECT_EQ(0u, segment_list_pad(&list, 0x80000, 512, 0xFF, 0x100));
    EXPECT_EQ(nullptr, list) << "only the low byte of the flag counts";
    EXPECT_EQ(0u, segment_list_pad(&list, 0x80000, 512, 0xFF, 1));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, bytes_of(512, 0xFF)}}));

    segment_list_free(&list);
    add(0x80300, counting(16));
    EXPECT_EQ(0u, segment_list_pad(&list, 0x80000, 512, 0xFF, 1));
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, bytes_of(512, 0xFF)}, {0x80300, counting(16)}}));
}

TEST_F(SegmentListTest, AddAllCopiesAndFreeEmpties) {
    add(0x80000, counting(4));
    add(0x80010, counting(4));
    SegmentList copy = nullptr;
    segment_list_add_all(&copy, &list);
    for (Segment *s = copy; s; s = s->next)
        s->data[0] = 0xEE;
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, counting(4)}, {0x80010, counting(4)}}));
    segment_list_free(&copy);
    EXPECT_EQ(nullptr, copy);
    segment_list_free(&copy);
    segment_list_free(nullptr);
}

// A run that loses its buffer must never be read through, and anything it merges with
// loses its bytes too rather than keeping a mix of known and unknown ones.
TEST_F(SegmentListTest, AllocationFailuresLeaveBufferlessSegments) {
    // Two abutting runs of 16 bytes each, the second one added with an allocation failing.
    struct Row {
        const char *label;
        uint32_t first, second;
        unsigned long fail_at;
    } rows[] = {{"the segment grown in place", 0x80000, 0x80010, 1},
                {"the new segment's buffer", 0x80050, 0x80040, 2},
                {"the join's realloc", 0x80090, 0x80080, 3}};
    for (const Row &row : rows) {
        add(row.first, counting(16));
        mem_fail_at(row.fail_at);
        add(row.second, counting(16));
    }
    const Segment *s = list;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(std::min(row.first, row.second), s->start);
        EXPECT_EQ(32u, s->length);
        EXPECT_EQ(nullptr, s->data);
        s = s->next;
    }
    EXPECT_EQ(nullptr, s);

    EXPECT_EQ(96u, segment_list_pad(&list, 0x80000, 512, 0xFF, 0));
    EXPECT_EQ(nullptr, list->data) << "padding keeps the bytes lost";
    EXPECT_EQ(512u, list->length);

    segment_list_free(&list);
    add(0x80000, counting(16));
    unsigned long failures = mem_failures();
    mem_fail_at(1); // the padded page's buffer: nothing changes
    EXPECT_EQ(0u, segment_list_pad(&list, 0x80000, 512, 0xFF, 0));
    EXPECT_EQ(failures + 1, mem_failures());
    EXPECT_EQ(runs(), (std::vector<Span>{{0x80000, counting(16)}}));
}

} // namespace
