#include "segment_list_private.h"

#include "heap.h"

#include <bit>
#include <cstdint>
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

void segment_list_mark_failure() {
    allocation_failed = true;
}

// Each segment is allocated as a Node: the public record, then its links in a splay tree over
// the segments' starts, then its first buffer. Through the tree a run finds its place in a
// list of any length in logarithmic (amortised) time, and at the root at once when runs come
// in address order, while the list stays a plain list and the tree costs no allocation of
// its own. A buffer that has to grow moves out to one of its own.
struct Node {
    Segment segment;
    Node *left;  // segments that start lower
    Node *right; // segments that start higher
};

// The tree of the list last added to or padded. It is built afresh from the list's segments
// when another list comes, or when the head is no longer the one it knew; so it holds as long
// as lists change only through these functions.
static struct {
    const SegmentList *list;
    const Segment *head;
    Node *root;
} tree;

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

// What a buffer of its own is allocated with for `size` bytes: room to grow, so that a
// segment grown a record at a time is moved a few dozen times, not once per record. Its
// length never outgrows this room without a new allocation, nor the room its allocation had.
static size_t buffer_room(size_t size) {
    return size <= SIZE_MAX / 2 ? std::bit_ceil(size) : size;
}

// s's bytes in a buffer of at least `size` bytes, more than its length; null when that cannot
// be had, and s's buffer is then as it was.
static uint8_t *buffer_grow(Segment *s, size_t size) {
    if (s->data != first_buffer(s)) {
        if (size <= buffer_room(s->length))
            return s->data;
        return static_cast<uint8_t *>(mem_realloc(s->data, buffer_room(size)));
    }
    uint8_t *grown = static_cast<uint8_t *>(mem_alloc(buffer_room(size)));
    if (grown)
        memcpy(grown, s->data, s->length);
    return grown;
}

static uint32_t segment_last(const Segment *s) {
    return s->start + s->length - 1;
}

// Top-down splay: bring the node whose start is nearest `key` to the root. When that start
// is above the key, every node left of the new root starts below it, and the other way round.
static Node *splay(Node *t, uint32_t key) {
    if (!t)
        return nullptr;
    Node side{}; // side.right: the nodes below the key; side.left: those above
    Node *below = &side, *above = &side;
    for (;;) {
        if (key < t->segment.start && t->left) {
            if (key < t->left->segment.start) {
                Node *y = t->left;
                t->left = y->right;
                y->right = t;
                t = y;
                if (!t->left)
                    break;
            }
            above->left = t;
            above = t;
            t = t->left;
        } else if (key > t->segment.start && t->right) {
            if (key > t->right->segment.start) {
                Node *y = t->right;
                t->right = y->left;
                y->left = t;
                t = y;
                if (!t->right)
                    break;
            }
            below->right = t;
            below = t;
            t = t->right;
        } else {
            break;
        }
    }
    below->right = t->left;
    above->left = t->right;
    t->left = side.right;
    t->right = side.left;
    return t;
}

// A balanced tree of the `count` segments from *next on; *next moves past them.
static Node *tree_build(Segment **next, size_t count) {
    if (count == 0)
        return nullptr;
    Node *left = tree_build(next, count / 2);
    Node *root = node_of(*next);
    *next = (*next)->next;
    root->left = left;
    root->right = tree_build(next, count - count / 2 - 1);
    return root;
}

static void tree_attach(const SegmentList *list) {
    if (tree.list == list && tree.head == *list)
        return;
    size_t count = 0;
    for (const Segment *e = *list; e; e = e->next)
        ++count;
    Segment *next = *list;
    tree.root = tree_build(&next, count);
    tree.list = list;
    tree.head = *list;
}

static void tree_forget() {
    tree.list = nullptr;
    tree.head = nullptr;
    tree.root = nullptr;
}

// Add `s`, whose start no node has.
static void tree_insert(Segment *s) {
    Node *n = node_of(s);
    Node *root = splay(tree.root, s->start);
    n->left = n->right = nullptr;
    if (root && root->segment.start < s->start) {
        n->left = root;
        n->right = root->right;
        root->right = nullptr;
    } else if (root) {
        n->right = root;
        n->left = root->left;
        root->left = nullptr;
    }
    tree.root = n;
}

// Take out every node between `s`, which is in the tree, and `kept` (null: the end), which
// is in it too. One cut however many there are, done while they are still allocated.
static void tree_cut(const Segment *s, const Segment *kept) {
    Node *root = splay(tree.root, s->start);
    root->right = kept ? splay(root->right, kept->start) : nullptr;
    if (root->right)
        root->right->left = nullptr;
    tree.root = root;
}

// The segment a run at `address` is linked behind: the last one that starts at or below it,
// or null when the run goes first.
static Segment *tree_before(uint32_t address) {
    Node *root = splay(tree.root, address);
    tree.root = root;
    if (root && root->segment.start > address)
        root = root->left = splay(root->left, address); // the largest start below
    return root ? &root->segment : nullptr;
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

// Walk on from `before`, a segment that starts at or below `address` (null: from the head),
// to the last segment that starts at or below it.
static Segment *walk_before(SegmentList *list, Segment *before, uint32_t address) {
    for (Segment *e = before ? before->next : *list; e && e->start <= address; e = e->next)
        before = e;
    return before;
}

// A segment of `length` bytes at `address`, with a buffer if `buffered`; null if it cannot
// be had.
static Segment *segment_new(uint32_t address, uint32_t length, bool buffered) {
    size_t buffer = buffered ? length : 0;
    // Where size_t is 32 bits, a buffer near 4 GiB would wrap the size to a small one.
    Segment *seg = buffer <= SIZE_MAX - sizeof(Node)
                       ? static_cast<Segment *>(mem_alloc(sizeof(Node) + buffer))
                       : nullptr;
    if (!seg) {
        allocation_failed = true;
        return nullptr;
    }
    seg->start = address;
    seg->length = length;
    seg->data = buffered ? first_buffer(seg) : nullptr;
    return seg;
}

// Append t's run to s. The buffer grows in place where it can, so a segment built from many
// contiguous records costs about its own size in copies, not the square of it. A side that
// lost its buffer takes the other's bytes down with it.
static void segment_join(Segment *s, const Segment *t) {
    uint8_t *joined = nullptr;
    if (s->data && t->data) {
        joined = buffer_grow(s, size_t{s->length} + t->length);
        if (joined)
            memcpy(joined + s->length, t->data, t->length);
        else
            allocation_failed = true;
    }
    if (!joined)
        buffer_free(s);
    s->data = joined;
    s->length += t->length;
}

// What segment_list_merge does, apart from the tree.
static void absorb_following(Segment *s) {
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
}

// The first segment that merging `s` leaves standing: what lies behind its reach.
static Segment *first_kept(const Segment *s) {
    uint64_t reach = uint64_t{segment_last(s)} + 1; // 64 bits: s may end at the top
    Segment *t = s->next;
    for (; t && t->start <= reach; t = t->next)
        if (segment_last(t) >= reach)
            reach = uint64_t{segment_last(t)} + 1;
    return t;
}

// Merge `s`, first taking out of the tree (when `indexed`) what the merge releases.
static void merge(Segment *s, bool indexed) {
    if (indexed) {
        Segment *kept = first_kept(s);
        if (kept != s->next)
            tree_cut(s, kept);
    }
    absorb_following(s);
}

// Link `seg` in behind `before` (null: at the head), which ends below it, and coalesce
// around it.
static void segment_link(SegmentList *list, Segment *before, Segment *seg, bool indexed) {
    Segment **link = before ? &before->next : list;
    seg->next = *link;
    *link = seg;
    if (indexed)
        tree_insert(seg);
    // The new segment takes in what it reaches, and a predecessor that abuts it (a pad's
    // fill) takes in the new one; beyond those the list was coalesced already.
    merge(seg, indexed);
    if (before)
        merge(before, indexed);
    if (indexed)
        tree.head = *list;
}

// A run that starts inside `before` or right behind it, with its bytes copied over what
// `before` held already, becomes part of it: grown in place, this costs no new segment, which
// makes records in address order cheap. A run that lost its bytes takes those of `before`
// with it, unless it lies inside. False for a run that starts further on.
static bool segment_extend(Segment *before, const uint8_t *bytes, uint32_t address,
                           uint32_t length) {
    uint64_t behind = uint64_t{segment_last(before)} + 1;
    uint64_t end = uint64_t{address} + length;
    if (address > behind)
        return false;
    if (end <= behind)
        return true;
    size_t grown = end - before->start;
    uint8_t *data = nullptr;
    if (bytes && before->data) {
        data = buffer_grow(before, grown);
        if (data)
            memcpy(data + before->length, bytes + (behind - address), end - behind);
        else
            allocation_failed = true;
    }
    if (!data)
        buffer_free(before);
    before->data = data;
    before->length = static_cast<uint32_t>(grown);
    return true;
}

// Add a run behind `before`, its predecessor. Null `bytes` stand for a run whose bytes were
// lost to an allocation failure: it is added as a segment without a buffer, and whatever it
// merges with loses its buffer too.
static int segment_insert(SegmentList *list, Segment *before, const uint8_t *bytes,
                          uint32_t address, uint32_t length, bool indexed) {
    if (bytes)
        copy_over_existing(before ? before : *list, bytes, address, length);
    if (before && segment_extend(before, bytes, address, length)) {
        merge(before, indexed);
        return 0;
    }
    Segment *seg = segment_new(address, length, bytes != nullptr);
    if (!seg)
        return 1;
    if (seg->data)
        memcpy(seg->data, bytes, length);
    segment_link(list, before, seg, indexed);
    return 0;
}

int segment_list_add(SegmentList *list, const uint8_t *bytes, uint32_t address, uint32_t length) {
    tree_attach(list);
    return segment_insert(list, tree_before(address), bytes, address, length, true);
}

// Called from outside, it may release segments of the list the tree belongs to.
int segment_list_merge(Segment *s) {
    tree_forget();
    absorb_following(s);
    return 0;
}

// `src` is in address order, so each run's place lies at or behind the last one's: a single
// walk along `dst` finds them all. dst's tree is built again when it is next needed.
void segment_list_add_all(SegmentList *dst, const SegmentList *src) {
    if (tree.list == dst)
        tree_forget();
    Segment *before = nullptr;
    for (const Segment *e = *src; e; e = e->next) {
        before = walk_before(dst, before, e->start);
        segment_insert(dst, before, e->data, e->start, e->length, false);
    }
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
        span = static_cast<uint8_t *>(mem_alloc(buffer_room(size_t{hi - lo} + 1)));
        if (!span) {
            allocation_failed = true;
            return false;
        }
        memset(span, fill, size_t{hi - lo} + 1);
        for (Segment *e = first; e != after; e = e->next)
            memcpy(span + (e->start - lo), e->data, e->length);
    }
    tree_cut(first, after);
    while (first->next != after) {
        Segment *t = first->next;
        first->next = t->next;
        segment_release(t);
    }
    buffer_free(first);
    first->data = span;
    first->start = lo; // still above its predecessor, which ends below the range
    first->length = hi - lo + 1;
    return true;
}

// A range that held a byte becomes one segment with every segment that met it; gaps take
// the fill byte. One pass over those segments, however many there are.
uint32_t segment_list_pad(SegmentList *list, uint32_t start, uint32_t length, unsigned fill,
                          unsigned add_if_empty) {
    uint32_t last = start + length - 1;
    uint8_t fill_byte = static_cast<uint8_t>(fill);
    tree_attach(list);
    Segment *before = tree_before(start);
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
        if (seg && seg->data)
            memset(seg->data, fill_byte, length);
        if (seg)
            segment_link(list, before, seg, true);
        return 0;
    }
    if (present == length) // one segment holds the whole range already
        return present;
    uint32_t lo = first->start < start ? first->start : start;
    uint32_t hi = segment_last(end) > last ? segment_last(end) : last;
    if (!segment_fill_span(first, end, lo, hi, fill_byte))
        return 0;
    // The span may now abut the segments on either side.
    merge(first, true);
    if (before && before != first)
        merge(before, true);
    return present;
}

void segment_list_free(SegmentList *list) {
    if (!list)
        return;
    if (tree.list == list || tree.head == *list)
        tree_forget();
    while (Segment *s = *list) {
        *list = s->next;
        segment_release(s);
    }
}

} // namespace lumbrix
