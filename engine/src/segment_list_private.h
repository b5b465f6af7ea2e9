// What only the engine asks of the memory image: adds that start looking for their place at a
// segment the caller knows, rather than at the head.
#pragma once

#include "lumbrix/segment_list.h"

namespace lumbrix {

// The last segment of `list` that starts at or below `address`, walking on from `from`, a
// segment that does (null: from the head); null when none does.
Segment *segment_list_seek(SegmentList *list, Segment *from, uint32_t address);

// segment_list_add, walking to the run's place from `from` as segment_list_seek does. Returns
// a segment that starts at or below `address` and stays in the list through later adds at or
// above `address`: where the next add in address order can start looking.
Segment *segment_list_add_from(SegmentList *list, Segment *from, const uint8_t *bytes,
                               uint32_t address, uint32_t length);

} // namespace lumbrix
