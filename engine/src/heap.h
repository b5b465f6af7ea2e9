// The engine's heap, behind the hook of lumbrix/mem.h.
#pragma once

#include <cstddef>

namespace lumbrix {

void *mem_alloc(size_t size);
void *mem_realloc(void *block, size_t size);
void mem_free(void *block);

} // namespace lumbrix
