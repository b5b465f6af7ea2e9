// What only the engine asks of the memory image.
#pragma once

#include "lumbrix/segment_list.h"

namespace lumbrix {

// Absorb into `s` every following segment it overlaps or abuts. Used by segment_list_add.
int segment_list_merge(Segment *s);

// Whether an operation on a list failed to obtain memory since the last call, so that bytes
// were lost or a pad left gaps; the call clears the flag.
bool segment_list_take_failure();

// Count an allocation failure of the engine's own, outside any list, as such a loss.
void segment_list_mark_failure();

} // namespace lumbrix
