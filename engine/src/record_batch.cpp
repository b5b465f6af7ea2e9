#include "record_batch.h"

#include "heap.h"
#include "segment_list_private.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumbrix {

// Enough for a 64 KiB range in one-byte records, which then meets the list as one sorted run.
constexpr size_t BATCH_RUNS = 64 * 1024;
constexpr size_t BATCH_BYTES = 1024 * 1024;

// One record's bytes, waiting in the batch for their place.
struct BatchRun {
    uint32_t address;
    uint32_t length;
    uint32_t offset; // where its bytes are kept; later runs keep theirs further on
};

// One allocation, taken when the first run comes out of order.
struct Buffers {
    BatchRun runs[BATCH_RUNS];
    BatchRun scratch[BATCH_RUNS]; // for the sort
    uint8_t bytes[BATCH_BYTES];
};

static struct {
    Buffers *buffers;       // null until runs come out of order
    size_t count;           // runs kept
    size_t used;            // bytes kept
    uint64_t in_order_from; // where the last run added to the list ended
    Segment *from;          // where the next run in address order starts looking for its place
} batch;

// Where a run at `address` can start looking for its place: where the last one went, unless
// it lies below that (a run that could not wait, a batch that goes back), then the head.
static Segment *batch_from(uint32_t address) {
    return batch.from && batch.from->start <= address ? batch.from : nullptr;
}

static void batch_add_to_image(const uint8_t *bytes, uint32_t address, uint32_t length) {
    batch.from = segment_list_add_from(&g_image, batch_from(address), bytes, address, length);
}

static uint64_t run_end(const BatchRun &run) {
    return uint64_t{run.address} + run.length;
}

static uint8_t address_digit(const BatchRun &run, int shift) {
    return static_cast<uint8_t>(run.address >> shift);
}

// Sort by address, a byte at a time from the lowest (a digit all runs share is skipped).
// Stable, so runs at one address stay in the order they came. Returns the buffer the sorted
// runs ended up in: `runs` or `scratch`.
static BatchRun *runs_sort(BatchRun *runs, BatchRun *scratch, size_t count) {
    for (int shift = 0; shift < 32; shift += 8) {
        size_t starts[256] = {};
        for (size_t i = 0; i < count; ++i)
            ++starts[address_digit(runs[i], shift)];
        if (starts[address_digit(runs[0], shift)] == count)
            continue;
        size_t at = 0;
        for (size_t &start : starts)
            at += std::exchange(start, at);
        for (size_t i = 0; i < count; ++i)
            scratch[starts[address_digit(runs[i], shift)]++] = runs[i];
        std::swap(runs, scratch);
    }
    return runs;
}

// Add the kept runs in address order. Runs that overlap one another are added in the order
// they came, so that the later one's bytes win as they would have; their order against runs
// they do not share an address with makes no difference to the list.
static void batch_settle() {
    if (batch.count == 0)
        return;
    BatchRun *sorted = runs_sort(batch.buffers->runs, batch.buffers->scratch, batch.count);
    uint64_t reach = 0;
    for (size_t first = 0, end; first < batch.count; first = end) {
        reach = run_end(sorted[first]);
        for (end = first + 1; end < batch.count && sorted[end].address < reach; ++end)
            reach = std::max(reach, run_end(sorted[end]));
        // Every run of the group starts at or above its first, so each can look for its place
        // from where the first one's lies, whatever order they come in.
        uint32_t group_first = sorted[first].address;
        Segment *group_from = segment_list_seek(&g_image, batch_from(group_first), group_first);
        if (end - first > 1)
            std::sort(sorted + first, sorted + end,
                      [](const BatchRun &a, const BatchRun &b) { return a.offset < b.offset; });
        for (size_t i = first; i < end; ++i)
            segment_list_add_from(&g_image, group_from, batch.buffers->bytes + sorted[i].offset,
                                  sorted[i].address, sorted[i].length);
        batch.from = group_from ? group_from : g_image;
    }
    batch.in_order_from = reach; // the last overlapping group reaches furthest
    batch.count = 0;
    batch.used = 0;
}

// Keep a copy of the run; false when it cannot be kept, the batch being empty then. A batch
// that cannot be had loses no bytes, but it fails the conversion like any failed allocation:
// a conversion short of this much memory is not to be trusted.
static bool batch_keep(const uint8_t *bytes, uint32_t address, uint32_t length) {
    if (length > BATCH_BYTES)
        return false;
    if (!batch.buffers)
        batch.buffers = static_cast<Buffers *>(mem_alloc(sizeof(Buffers)));
    if (!batch.buffers)
        return false;
    memcpy(batch.buffers->bytes + batch.used, bytes, length);
    batch.buffers->runs[batch.count++] = {address, length, static_cast<uint32_t>(batch.used)};
    batch.used += length;
    return true;
}

void record_batch_add(const uint8_t *bytes, uint32_t address, uint32_t length) {
    if (batch.count == BATCH_RUNS || batch.used + length > BATCH_BYTES)
        batch_settle();
    // Runs in address order go straight in; once one has to wait, all that come after it wait
    // too, so that none overtakes a run it overlaps.
    bool in_order = batch.count == 0 && address >= batch.in_order_from;
    if (in_order || !batch_keep(bytes, address, length)) {
        batch_add_to_image(bytes, address, length);
        batch.in_order_from = uint64_t{address} + length;
    }
}

void record_batch_flush() {
    batch_settle();
    mem_free(batch.buffers);
    batch = {};
}

} // namespace lumbrix
