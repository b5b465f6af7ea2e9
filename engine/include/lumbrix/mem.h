// The engine takes all its memory through one hook, so that tests can make any allocation fail.
#pragma once

namespace lumbrix {

// Allocations attempted, and allocations that failed, since the process started. A conversion
// fails when the failures grew while it ran: memory that ran out left its image incomplete.
unsigned long mem_allocations();
unsigned long mem_failures();

// Make the n-th allocation from now on fail (1: the next one); 0 makes none fail.
void mem_fail_at(unsigned long n);

} // namespace lumbrix
