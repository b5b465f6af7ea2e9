// Intel HEX reader: checks each record and hands data records to a sink.
#pragma once

#include <cstdint>
#include <cstdio>

namespace lumbrix {

// Receives one data record: its bytes (valid during the call only), its absolute address
// and its byte count. The reader ignores the result.
using DataSink = int (*)(const uint8_t *bytes, uint32_t address, uint32_t length);

// Read `in` to its end, reporting bad lines on stderr and passing every valid data record
// to `sink`. With force_flash_base, extended address records are forced into the flash
// region (0x80000 and up). Never closes `in`. Always returns 0.
int read_intel_hex(FILE *in, DataSink sink, bool force_flash_base);

// The 8-bit value of one hexadecimal character; any other character gets a defined value.
uint8_t hex_digit_value(char c);

} // namespace lumbrix
