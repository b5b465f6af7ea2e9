#include "segment_list_private.h"

#include "heap.h"
#include "lumbrix/mem.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace lumbrix {

SegmentList g_image = nullptr;

// Each segment is allocated as a Node, with its first buffer right behind it: one allocation
// a segment, not two. A buffer that has to grow moves out to one of its own.
struct Node {
    Segment segment;
    size_t room; // bytes the segment's buffer holds; its length never exceeds them
};

static Node *node_of(Segment *s) {
    return reinterpret_cast<Node *>(s);
}

// The buffer allocated with the segment, whether or not the segment still uses it.
static uint8_t *first_buffer(Segment *s) {
    return reinterpret_cast<uint8_t *>(node_of(s) + 1);
}

static void buffer_free(Segment *s) {
    if (s->data != first_buffer(s))
        mem_free(s->data);
}

// A segment whose bytes were lost to an allocation failure keeps its range without them.
static void segment_drop_bytes(Segment *s) {
    buffer_free(s);
    s->data = nullptr;
    node_of(s)->room = 0;
}

// Room for `size` bytes and more, so that a segment grown a record at a time is moved a few
// dozen times, not once per record.
static size_t room_for(size_t size) {
    return size <= SIZE_MAX / 2 ? std::bit_ceil(size) : size;
}

// Make s's buffer hold at least `size` bytes, its own bytes kept; false, with s as it was,
// when that cannot be had.
static bool buffer_reserve(Segment *s, size_t size) {
    Node *node = node_of(s);
    if (size <= node->room)
        return true;
    size_t room = room_for(size);
    uint8_t *grown;
    if (s->data == first_buffer(s)) {
        grown = static_cast<uint8_t *>(mem_alloc(room));
        if (grown)
            memcpy(grown, s->data, s->length);
    } else {
        grown = static_cast<uint8_t *>(mem_realloc(s->data, room));
    }
    if (!grown)
        return false;
    s->data = grown;
    node->room = room;
    return true;
}

// Append `length` bytes to s, growing its buffer in place where it can, so that a segment
// built from many contiguous records costs about its own size in copies. Null `bytes` stand
// for bytes that were lost: s loses its own with them, as it does when its buffer cannot grow.
static void segment_append(Segment *s, const uint8_t *bytes, uint32_t length) {
    if (bytes && s->data && buffer_reserve(s, size_t{s->length} + length))
        memcpy(s->data + s->length, bytes, length);
    else
        segment_drop_bytes(s);
    s->length += length;
}

static uint32_t segment_last(const Segment *s) {
    return s->start + s->length - 1;
}

static void segment_release(Segment *s) {
    buffer_free(s);
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

Segment *segment_list_seek(SegmentList *list, Segment *from, uint32_t address) {
    for (Segment *e = from ? from->next : *list; e && e->start <= address; e = e->next)
        from = e;
    return from;
}

// A segment of `length` bytes at `address`, with a buffer if `buffered`; null if it cannot
// be had.
static Segment *segment_new(uint32_t address, uint32_t length, bool buffered) {
    size_t buffer = buffered ? length : 0;
    Segment *seg = static_cast<Segment *>(mem_alloc_sum(sizeof(Node), buffer));
    if (!seg)
        return nullptr;
    seg->start = address;
    seg->length = length;
    seg->data = buffered ? first_buffer(seg) : nullptr;
    node_of(seg)->room = buffer;
    return seg;
}

// Absorb into `s` every following segment it overlaps or abuts. Where they overlap the bytes
// agree already, so s keeps its own only up to where the other begins.
static void segment_list_merge(Segment *s) {
    for (Segment *t = s->next; t; t = s->next) {
        bool overlaps =
            range_overlap(s->start, segment_last(s), t->start, segment_last(t), nullptr);
        bool abuts = s->start + s->length == t->start;
        if (!overlaps && !abuts)
            break;
        if (!overlaps || segment_last(t) > segment_last(s)) {
            if (overlaps)
                s->length = t->start - s->start;
            segment_append(s, t->data, t->length);
        }
        s->next = t->next;
        segment_release(t);
    }
}

// Link `seg` in behind `before` (null: at the head), which starts below it, and coalesce
// around it.
static void segment_link(SegmentList *list, Segment *before, Segment *seg) {
    Segment **link = before ? &before->next : list;
    seg->next = *link;
    *link = seg;
    // The new segment takes in what it reaches, and a predecessor that abuts it (a pad's
    // fill) takes in the new one; beyond those the list was coalesced already.
    segment_list_merge(seg);
    if (before)
        segment_list_merge(before);
}

// A run that starts inside `before` or right behind it, with its bytes copied over what
// `before` held already, becomes part of it: grown in place, this costs no new segment, which
// makes records in address order cheap. False for a run that starts further on.
static bool segment_extend(Segment *before, const uint8_t *bytes, uint32_t address,
                           uint32_t length) {
    uint64_t behind = uint64_t{segment_last(before)} + 1;
    uint64_t end = uint64_t{address} + length;
    if (address > behind)
        return false;
    if (end > behind)
        segment_append(before, bytes ? bytes + (behind - address) : nullptr,
                       static_cast<uint32_t>(end - behind));
    return true;
}

// Null `bytes` stand for a run whose bytes were lost to an allocation failure: it is added as
// a segment without a buffer, and whatever it merges with loses its buffer too.
Segment *segment_list_add_from(SegmentList *list, Segment *from, const uint8_t *bytes,
                               uint32_t address, uint32_t length) {
    Segment *before = segment_list_seek(list, from, address);
    if (bytes)
        copy_over_existing(before ? before : *list, bytes, address, length);
    if (before && segment_extend(before, bytes, address, length)) {
        segment_list_merge(before);
        return before;
    }
    Segment *seg = segment_new(address, length, bytes != nullptr);
    if (!seg)
        return before;
    if (seg->data)
        memcpy(seg->data, bytes, length);
    segment_link(list, before, seg);
    return before && before->next != seg ? before : seg; // before took it in if they abut
}

int segment_list_add(SegmentList *list, const uint8_t *bytes, uint32_t address, uint32_t length) {
    unsigned long failures = mem_failures();
    segment_list_add_from(list, nullptr, bytes, address, length);
    return mem_failures() == failures ? 0 : 1;
}

// `src` is in address order, so each run's place lies at or behind the last one's: a single
// walk along `dst` finds them all.
void segment_list_add_all(SegmentList *dst, const SegmentList *src) {
    Segment *from = nullptr;
    for (const Segment *e = *src; e; e = e->next)
        from = segment_list_add_from(dst, from, e->data, e->start, e->length);
}

// Make `first` hold [lo, hi]: its own bytes and those of each following segment up to `end`
// where they lie, and `fill` in between. Those segments are released. False, with nothing
// changed, when the new buffer cannot be had.
static bool segment_fill_span(Segment *first, Segment *end, uint32_t lo, uint32_t hi,
                              uint8_t fill) {
    Segment *after = end->next;
    bool whole = true; // a segment without bytes leaves the span without them
    for (Segment *e = first; e != after; e = e->next)
        whole = whole && e->data;
    uint8_t *span = nullptr;
    if (whole) {
        span = static_cast<uint8_t *>(mem_alloc_sum(hi - lo, 1));
        if (!span)
            return false;
        memset(span, fill, size_t{hi - lo} + 1);
        for (Segment *e = first; e != after; e = e->next)
            memcpy(span + (e->start - lo), e->data, e->length);
    }
    while (first->next != after) {
        Segment *t = first->next;
        first->next = t->next;
        segment_release(t);
    }
    buffer_free(first);
    first->data = span;
    first->start = lo; // still above its predecessor, which ends below the range
    first->length = hi - lo + 1;
    node_of(first)->room = span ? first->length : 0;
    return true;
}

// A range that held a byte becomes one segment with every segment that met it; gaps take
// the fill byte. One pass over those segments, however many there are.
uint32_t segment_list_pad(SegmentList *list, uint32_t start, uint32_t length, unsigned fill,
                          unsigned add_if_empty) {
    uint32_t last = start + length - 1;
    uint8_t fill_byte = static_cast<uint8_t>(fill);
    Segment *before = segment_list_seek(list, nullptr, start);
    // The first segment that meets the range: the predecessor if it reaches into it.
    Segment *first = before && segment_last(before) >= start ? before
                     : before                                ? before->next
                                                             : *list;
    uint32_t present = 0;
    Segment *end = nullptr; // the last segment that meets the range
    uint32_t shared[2];
    for (Segment *e = first; e && range_overlap(e->start, segment_last(e), start, last, shared);
         e = e->next) {
        present += shared[1];
        end = e;
    }

    if (!end) {
        Segment *seg = add_if_empty & 0xFF ? segment_new(start, length, true) : nullptr;
        if (seg) {
            memset(seg->data, fill_byte, length);
            segment_link(list, before, seg);
        }
        return 0;
    }
    if (present == length) // one segment holds the whole range already
        return present;
    uint32_t lo = first->start < start ? first->start : start;
    uint32_t hi = segment_last(end) > last ? segment_last(end) : last;
    if (!segment_fill_span(first, end, lo, hi, fill_byte))
        return 0;
    // The span may now abut the segments on either side.
    segment_list_merge(first);
    if (before && before != first)
        segment_list_merge(before);
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
