// Records on their way into g_image. Those that come out of address order wait, to be added
// together in address order: a list takes runs in address order at the cost of extending its
// last segment, while runs at random places each cost a search, a segment and a join.
#pragma once

#include "lumbrix/segment_list.h"

namespace lumbrix {

// Add a run of `length` (at least 1) bytes to g_image now, or keep a copy of it for
// record_batch_flush.
void record_batch_add(const uint8_t *bytes, uint32_t address, uint32_t length);

// Add the kept runs to g_image, the later of two that overlap winning as though each had been
// added when it came, and release the batch.
void record_batch_flush();

} // namespace lumbrix
