#include "lumbrix/mem.h"

#include "heap.h"

#include <cstdint>
#include <cstdlib>

namespace lumbrix {

static unsigned long allocations;
static unsigned long failures;
static unsigned long fail_at; // allocation number that is to fail; 0 for none

// Count the attempt and say whether this one is to fail.
static bool allocation_refused() {
    ++allocations;
    if (fail_at == 0 || allocations != fail_at)
        return false;
    fail_at = 0;
    return true;
}

static void *counted(void *block) {
    if (!block)
        ++failures;
    return block;
}

void *mem_alloc(size_t size) {
    return counted(allocation_refused() ? nullptr : malloc(size));
}

void *mem_alloc_sum(size_t head, size_t tail) {
    if (tail <= SIZE_MAX - head)
        return mem_alloc(head + tail);
    ++allocations;
    return counted(nullptr);
}

void *mem_realloc(void *block, size_t size) {
    return counted(allocation_refused() ? nullptr : realloc(block, size));
}

void mem_free(void *block) {
    free(block);
}

unsigned long mem_allocations() {
    return allocations;
}

unsigned long mem_failures() {
    return failures;
}

void mem_fail_at(unsigned long n) {
    fail_at = n == 0 ? 0 : allocations + n;
}

} // namespace lumbrix
