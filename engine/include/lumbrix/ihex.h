// Intel HEX reader: checks each record and hands data records to a sink.
#pragma once

#include <cstdint>
#include <cstdio>

namespace lumbrix {

// The value of a record's type field.
enum RecordType : uint8_t {
    DATA = 0x00,
    END_OF_FILE = 0x01,
    EXTENDED_SEGMENT_ADDRESS = 0x02,
    START_SEGMENT_ADDRESS = 0x03,
    EXTENDED_LINEAR_ADDRESS = 0x04,
    START_LINEAR_ADDRESS = 0x05,
};

// Receives one data record: its bytes (valid during the call only), its absolute address
// and its byte count. The reader ignores the result.
using DataSink = int (*)(const uint8_t *bytes, uint32_t address, uint32_t length);

// Read `in` to its end, reporting bad lines on stderr and passing every valid data record
// to `sink`. With force_flash_base, extended address records are forced into the flash
// region (0x80000 and up). Never closes `in`. Always returns 0.
int read_intel_hex(FILE *in, DataSink sink, bool force_flash_base);

// Why the reader rejected a line, as its message on stderr says.
enum LineFault { LINE_INVALID, LINE_BAD_CHECKSUM, LINE_UNKNOWN_FORMAT };

// The fault as the reader's message names it: "invalid checksum".
const char *line_fault_name(LineFault fault);

// A line the reader rejected, as a watch is told of it.
struct RejectedLine {
    size_t line;
    LineFault fault;
};

// What a caller that reports on the HEX file itself sees of a reading: every valid data
// record, before anything clips it, every rejected line and every line with text the reader
// passed over without a message, each by its line number (counted from 1 at every line end,
// wherever it stands). A line is told of once as rejected and once as unread at the most, by
// its first piece of each kind when it is too long to read at once.
struct ReadWatch {
    void *context;
    void (*record)(void *context, const uint8_t *bytes, uint32_t address, uint32_t length);
    void (*rejected)(void *context, LineFault fault, size_t line);
    // Characters that are neither part of a record nor only white space: a line skipped as
    // empty because it begins with CR, LF or a zero, or what follows a record's checksum.
    // `text` holds `length` characters (zeros among them) up to the last that is not white
    // space, valid during the call only.
    void (*unread)(void *context, size_t line, const char *text, size_t length);
};

// read_intel_hex, telling `watch` (null for none) what it sees; a member left null is not
// called, so that a caller fills in only what it wants to see.
int read_intel_hex_watched(FILE *in, DataSink sink, bool force_flash_base, const ReadWatch *watch);

// The 8-bit value of one hexadecimal character; any other character gets a defined value.
// The programs do not call it: it is part of the engine's interface for callers outside them.
uint8_t hex_digit_value(char c);

} // namespace lumbrix
