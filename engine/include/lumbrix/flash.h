// Part catalogue: flash windows and the sinks that clip records to them.
#pragma once

#include "lumbrix/ihex.h"

constexpr uint32_t FLASH_FIRST = 0x80000;
constexpr uint32_t FLASH_LAST_30K = 0x877FF;
constexpr uint32_t FLASH_LAST_94K = 0x977FF;

// Clip a record to the part's flash window and add what is left to g_image.
int sink_flash_30k(const uint8_t *bytes, uint32_t address, uint32_t length);
int sink_flash_94k(const uint8_t *bytes, uint32_t address, uint32_t length);

// The sink of a part code '0' to '6', or null for any other code.
DataSink sink_for_part(int part_code);
