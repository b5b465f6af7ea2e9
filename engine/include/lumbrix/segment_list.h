// The memory image: an address-ordered, coalesced list of owned byte runs.
#pragma once

#include <cstdint>

namespace lumbrix {

struct Segment {
    uint8_t *data;  // exactly `length` bytes; null only after an allocation failure
    Segment *next;  // following segment in address order, null at the tail
    uint32_t start; // address of the first byte
    uint32_t length;
};

// Head of a list; null when empty. Operations take its address so they can replace the head.
using SegmentList = Segment *;

// The one process-wide image a conversion collects its bytes in. Empty between conversions.
extern SegmentList g_image;

// 1 if [lo1, hi1] and [lo2, hi2] share an address; then out (if given) receives the first
// shared address and the number of shared addresses. 0 otherwise, and out is not written.
int range_overlap(uint32_t lo1, uint32_t hi1, uint32_t lo2, uint32_t hi2, uint32_t out[2]);

// Store a copy of `length` (at least 1) bytes at `address`. Later bytes win; the list stays
// coalesced. Returns 0, or 1 when memory ran out and bytes were lost: a segment that could not
// be had, or a buffer that could not grow, which leaves its segment without one.
// Each add walks the list from its head to the run's place, a step for every segment that
// starts below it: cheap while the list holds few segments, quadratic when many runs each make
// a segment of their own, whatever their order. The engine's own conversions add through a
// record batch that brings runs in address order and starts each walk where the last one went.
int segment_list_add(SegmentList *list, const uint8_t *bytes, uint32_t address, uint32_t length);

// Add every segment of `src` to `dst`, in one walk along `dst`; `src` is left as it was. The
// programs never call it: it is part of the engine's interface for callers outside them.
void segment_list_add_all(SegmentList *dst, const SegmentList *src);

// Fill every unheld address of [start, start + length - 1] with the low byte of `fill`,
// provided the range held a byte already or the low byte of `add_if_empty` is set (the
// writers never set it: it serves callers outside the programs).
// Returns how many addresses of the range held a byte (0 when the fill cannot be allocated).
uint32_t segment_list_pad(SegmentList *list, uint32_t start, uint32_t length, unsigned fill,
                          unsigned add_if_empty);

// Release every segment and buffer; the list is empty afterwards. A null list is ignored.
void segment_list_free(SegmentList *list);

} // namespace lumbrix
