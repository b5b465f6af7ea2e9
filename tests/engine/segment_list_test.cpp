#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

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

TEST_F(SegmentListTest, DescendingBytesBuildTheSameImage) {
    for (uint32_t i = 0; i < 1000; ++i)
        add(0x80000 + 999 - i, {static_cast<uint8_t>(999 - i)});
    std::vector<Span> descending = runs();
    segment_list_free(&list);
    for (uint32_t i = 0; i < 1000; ++i)
        add(0x80000 + i, {static_cast<uint8_t>(i)});
    EXPECT_EQ(descending, runs());
    EXPECT_EQ(1u, descending.size());
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
    add(0x80000, counting(16));
    mem_fail_at(2); // the new segment's buffer
    add(0x80010, counting(16));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(nullptr, list->data);
    EXPECT_EQ(0x80000u, list->start);
    EXPECT_EQ(32u, list->length);
    EXPECT_EQ(nullptr, list->next);

    add(0x80040, counting(16));
    mem_fail_at(3); // the join's realloc
    add(0x80050, counting(16));
    ASSERT_NE(nullptr, list->next);
    EXPECT_EQ(nullptr, list->next->data);
    EXPECT_EQ(32u, list->next->length);

    unsigned long failures = mem_failures();
    mem_fail_at(1); // the fill buffer: nothing changes
    EXPECT_EQ(0u, segment_list_pad(&list, 0x80000, 512, 0xFF, 1));
    EXPECT_EQ(failures + 1, mem_failures());
    EXPECT_EQ(32u, list->length);
}

} // namespace
