// The sinks that clip records to a part's flash window.
#pragma once

#include "lumbrix/ihex.h"

namespace lumbrix {

// Clip a record to the flash window and add what is left to g_image, through the record
// batch: the image is complete once record_batch_flush has been called.
int sink_flash_30k(const uint8_t *bytes, uint32_t address, uint32_t length);
int sink_flash_94k(const uint8_t *bytes, uint32_t address, uint32_t length);

// The sink of the part with this code, or null when no part has it.
DataSink sink_for_part(int part_code);

} // namespace lumbrix
