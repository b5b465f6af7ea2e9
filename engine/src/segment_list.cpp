#include "segment_list_private.h"

#include "heap.h"

#include <cstring>

namespace lumbrix {

SegmentList g_image = nullptr;

// Sticky until taken: one failed allocation anywhere leaves the image incomplete.
static bool allocation_failed;

bool segment_list_take_failure() {
    bool failed = allocation_failed;
    allocation_failed = false;
    return failed;
}

static uint32_t segment_last(const Segment *s) {
    return s->start + s->length - 1;
}

static void segment_release(Segment *s) {
    mem_free(s->data);
    mem_free(s);
}

int range_overlap(uint32_t lo1, uint32_t hi1, uint32_t lo2, uint32_t hi2, uint32_t out[2]) {
    uint32_t s = lo1 > lo2 ? lo1 : lo2;
    uint32_t e = hi1 < hi2 ? hi1 : hi2;
    if (s > e)
        return 0;
    if (out) {
        out[0] = s;
        out[1] = e - s + 1;
    }
    return 1;
}

// Make the new run's bytes win over every segment it covers, so that merging may keep
// either side's copy of a shared address.
static void copy_over_existing(Segment *first, const uint8_t *bytes, uint32_t address,
                               uint32_t length) {
    uint32_t last = address + length - 1;
    uint32_t shared[2];
    for (Segment *e = first; e && e->start <= last; e = e->next) {
        if (e->data && range_overlap(e->start, segment_last(e), address, last, shared))
            memcpy(e->data + (shared[0] - e->start), bytes + (shared[0] - address), shared[1]);
    }
}

// The segment a run at `address` is linked behind: the last one that starts at or below it,
// or null when the run goes first.
static Segment *segment_before(Segment *head, uint32_t address) {
    Segment *before = nullptr;
    for (Segment *e = head; e && e->start <= address; e = e->next)
        before = e;
    return before;
}

// Null `bytes` stand for a run whose bytes were lost to an allocation failure: it is added
// as a segment without a buffer, and whatever it merges with loses its buffer too.
int segment_list_add(SegmentList *list, const uint8_t *bytes, uint32_t address, uint32_t length) {
    // The list is coalesced, so every segment in front of the run's predecessor ends before
    // the run and stays as it is: the one walk that finds the predecessor is all the walking
    // an add needs, which keeps records that arrive out of order from costing a full pass.
    Segment *before = segment_before(*list, address);
    if (bytes)
        copy_over_existing(before ? before : *list, bytes, address, length);

    Segment *seg = static_cast<Segment *>(mem_alloc(sizeof(Segment)));
    if (!seg) {
        allocation_failed = true;
        return 1;
    }
    seg->start = address;
    seg->length = length;
    seg->data = bytes ? static_cast<uint8_t *>(mem_alloc(length)) : nullptr;
    if (seg->data)
        memcpy(seg->data, bytes, length);
    else if (bytes)
        allocation_failed = true;
    Segment **link = before ? &before->next : list;
    seg->next = *link;
    *link = seg;

    // Either the predecessor takes in the new segment and all it reaches, or the new
    // segment takes in what it reaches; behind that the list was coalesced already.
    Segment *first = before ? before : seg;
    segment_list_merge(first);
    if (first->next)
        segment_list_merge(first->next);
    return 0;
}

// Append t's run to s. The buffer grows in place where it can, so a segment built from many
// contiguous records costs about its own size in copies, not the square of it. A side that
// lost its buffer takes the other's bytes down with it.
static void segment_join(Segment *s, const Segment *t) {
    uint8_t *joined = nullptr;
    if (s->data && t->data) {
        joined = static_cast<uint8_t *>(mem_realloc(s->data, size_t{s->length} + t->length));
        if (joined)
            memcpy(joined + s->length, t->data, t->length);
        else
            allocation_failed = true;
    }
    if (!joined)
        mem_free(s->data);
    s->data = joined;
    s->length += t->length;
}

int segment_list_merge(Segment *s) {
    for (Segment *t = s->next; t; t = s->next) {
        bool overlaps =
            range_overlap(s->start, segment_last(s), t->start, segment_last(t), nullptr);
        bool abuts = s->start + s->length == t->start;
        if (!overlaps && !abuts)
            break;
        if (overlaps && segment_last(t) <= segment_last(s)) {
            s->next = t->next;
            segment_release(t);
            continue;
        }
        // Where they overlap the bytes agree already; keep s only up to where t begins.
        if (overlaps)
            s->length = t->start - s->start;
        segment_join(s, t);
        s->next = t->next;
        segment_release(t);
    }
    return 0;
}

void segment_list_add_all(SegmentList *dst, const SegmentList *src) {
    for (const Segment *e = *src; e; e = e->next)
        segment_list_add(dst, e->data, e->start, e->length);
}

uint32_t segment_list_pad(SegmentList *list, uint32_t start, uint32_t length, unsigned fill,
                          unsigned add_if_empty) {
    uint8_t *fill_bytes = static_cast<uint8_t *>(mem_alloc(length));
    if (!fill_bytes) {
        allocation_failed = true;
        return 0;
    }
    memset(fill_bytes, fill & 0xFF, length);

    uint32_t last = start + length - 1;
    uint64_t next_unaccounted = start; // 64 bits: a segment may end at the top of the space
    uint32_t present = 0;
    SegmentList gaps = nullptr;
    uint32_t shared[2];
    for (Segment *e = *list; e; e = e->next) {
        if (!range_overlap(e->start, segment_last(e), start, last, shared))
            continue;
        present += shared[1];
        if (shared[0] != next_unaccounted)
            segment_list_add(&gaps, fill_bytes, next_unaccounted, shared[0] - next_unaccounted);
        next_unaccounted = uint64_t{segment_last(e)} + 1;
        if (next_unaccounted > last)
            continue;
        uint32_t gap_end = e->next && e->next->start <= last ? e->next->start - 1 : last;
        segment_list_add(&gaps, fill_bytes, next_unaccounted, gap_end - next_unaccounted + 1);
        next_unaccounted = uint64_t{gap_end} + 1;
    }
    if ((add_if_empty & 0xFF) && present == 0)
        segment_list_add(list, fill_bytes, start, length);

    mem_free(fill_bytes);
    segment_list_add_all(list, &gaps);
    segment_list_free(&gaps);
    return present;
}

void segment_list_free(SegmentList *list) {
    if (!list)
        return;
    while (Segment *s = *list) {
        *list = s->next;
        segment_release(s);
    }
}

} // namespace lumbrix
