// The engine's heap, behind the hook of lumbrix/mem.h. Every allocation that returns null is
// counted there (mem_failures), and that count is how a conversion learns that memory ran out.
#pragma once

#include <cstddef>

namespace lumbrix {

void *mem_alloc(size_t size);
// `head` + `tail` bytes; where size_t is 32 bits a sum that wraps is refused like any other
// request the heap cannot meet.
void *mem_alloc_sum(size_t head, size_t tail);
void *mem_realloc(void *block, size_t size);
void mem_free(void *block);

} // namespace lumbrix
