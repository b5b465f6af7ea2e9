// The engine's heap, behind one hook so that tests can make any allocation fail.
#pragma once

#include <cstddef>

void *mem_alloc(size_t size);
void *mem_realloc(void *block, size_t size);
void mem_free(void *block);

// Allocations attempted, and allocations that failed, since the process started.
unsigned long mem_allocations();
unsigned long mem_failures();

// Make the n-th allocation from now on fail (1: the next one); 0 makes none fail.
void mem_fail_at(unsigned long n);
