#include "lumbrix/ihex.h"

#include "lumbrix/parts.h"

#include <cstring>

namespace lumbrix {

// One piece of a line: 1023 characters and the terminating zero. The longest record, 255
// data bytes, takes 521 characters and its line end, so every valid record is read whole.
constexpr int LINE_SIZE = 1024;

static constexpr uint8_t digit_value(uint8_t k) {
    if (k >= '0' && k <= '9')
        return k - 0x30;
    if (k >= 'A' && k <= 'F')
        return k - 0x37;
    return static_cast<uint8_t>(k - 0x57);
}

// Every character's value, so that decoding a byte costs two loads: the reader decodes each
// character of every line, most of them in data it then drops.
struct DigitTable {
    uint8_t value[256];
};

static constexpr DigitTable digit_table_make() {
    DigitTable table{};
    for (int k = 0; k < 256; ++k)
        table.value[k] = digit_value(static_cast<uint8_t>(k));
    return table;
}

static constexpr DigitTable DIGITS = digit_table_make();

uint8_t hex_digit_value(char c) {
    return digit_value(static_cast<uint8_t>(c));
}

static uint8_t hex_byte_at(const char *line, int pos) {
    const uint8_t *at = reinterpret_cast<const uint8_t *>(line + pos);
    return static_cast<uint8_t>(DIGITS.value[at[0]] << 4 | DIGITS.value[at[1]]);
}

static uint16_t hex_word_at(const char *line, int pos) {
    return static_cast<uint16_t>((hex_byte_at(line, pos) << 8) | hex_byte_at(line, pos + 2));
}

// Characters a record's fields take: count, offset, type, data and checksum. Address records
// take their value from characters 9 to 12 whatever the count says.
static size_t record_size(uint8_t count, uint8_t type) {
    size_t size = 11 + 2 * size_t{count};
    bool address_record = type == EXTENDED_SEGMENT_ADDRESS || type == EXTENDED_LINEAR_ADDRESS;
    return address_record && size < 13 ? 13 : size;
}

// Decode the count + 1 bytes from character 9 on (data, then checksum) into `bytes` and
// check the record's sum, all in one pass over the line.
static bool record_decode(const char *line, uint8_t count, uint8_t *bytes) {
    unsigned sum = 0;
    for (int pos = 1; pos < 9; pos += 2)
        sum += hex_byte_at(line, pos);
    for (int i = 0; i <= count; ++i) {
        bytes[i] = hex_byte_at(line, 9 + 2 * i);
        sum += bytes[i];
    }
    return (sum & 0xFF) == 0;
}

// In the order of LineFault: each fault's name, and the message that reports it.
static const struct {
    const char *name, *message;
} LINE_FAULTS[] = {
    {"invalid ihex line", "ERROR: Found invalid ihex line <%s>\n"},
    {"invalid checksum", "ERROR: Found invalid checksum in ihex line <%s>\n"},
    {"unknown format", "ERROR: Found unknown format in ihex line <%s>\n"},
};

const char *line_fault_name(LineFault fault) {
    return LINE_FAULTS[fault].name;
}

// What one call of the reader keeps from line to line.
struct ReaderState {
    DataSink sink;
    bool force_flash_base;
    const ReadWatch *watch;
    uint32_t base;
    size_t line_number;
    // The last line the watch was told of as rejected, and as holding unread text: a line too
    // long to read at once is told of once for each, however many pieces it comes in.
    size_t rejected_told, unread_told;
};

// Quote the line as read, line end included.
static void report(ReaderState &reading, LineFault fault, const char *line) {
    fprintf(stderr, LINE_FAULTS[fault].message, line);
    if (reading.watch && reading.watch->rejected && reading.rejected_told != reading.line_number)
        reading.watch->rejected(reading.watch->context, fault, reading.line_number);
    reading.rejected_told = reading.line_number;
}

// Returns the characters the record took, or 0 when the line was rejected.
static size_t handle_record(ReaderState &reading, const char *line, size_t usable) {
    // The header is read only once the line is known to hold it, and each later field
    // only once the line is known to hold all the record needs.
    if (usable < 11) {
        report(reading, LINE_BAD_CHECKSUM, line);
        return 0;
    }
    uint8_t count = hex_byte_at(line, 1);
    uint16_t offset = hex_word_at(line, 3);
    uint8_t type = hex_byte_at(line, 7);
    uint8_t bytes[256]; // data and checksum
    size_t size = record_size(count, type);
    if (usable < size || !record_decode(line, count, bytes)) {
        report(reading, LINE_BAD_CHECKSUM, line);
        return 0;
    }
    switch (type) {
    case DATA:
        if (reading.watch && reading.watch->record)
            reading.watch->record(reading.watch->context, bytes, reading.base + offset, count);
        reading.sink(bytes, reading.base + offset, count);
        break;
    case EXTENDED_SEGMENT_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        reading.base = (reading.force_flash_base ? value | FLASH_FIRST / 16 : value) * 16;
        break;
    }
    case EXTENDED_LINEAR_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        reading.base = (reading.force_flash_base ? value | FLASH_FIRST >> 16 : value) << 16;
        break;
    }
    case END_OF_FILE:
    case START_SEGMENT_ADDRESS:
    case START_LINEAR_ADDRESS:
        break;
    default:
        report(reading, LINE_UNKNOWN_FORMAT, line);
        return 0;
    }
    return size;
}

static bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// White space after a record, or a line skipped as empty, is no loss; anything else is.
static void check_unread(ReaderState &reading, const char *text, size_t length) {
    if (!reading.watch || !reading.watch->unread || reading.unread_told == reading.line_number)
        return;
    while (length > 0 && blank(text[length - 1]))
        --length;
    if (length == 0)
        return;
    reading.watch->unread(reading.watch->context, reading.line_number, text, length);
    reading.unread_told = reading.line_number;
}

// Any character but the zero that fgets writes after the last one it read. fgets writes
// nothing past that zero, so a buffer that holds no zero before the read holds the last one
// right after what it read: a zero read from the file, which ends the line for strlen, does
// not hide the line's length or its line end.
constexpr char UNWRITTEN = 1;

// The number of characters fgets read into `line`, of which strlen sees `shown`.
static size_t piece_length(const char *line, size_t shown) {
    // fgets stops after a line feed or with the buffer full: strlen then saw them all.
    if ((shown > 0 && line[shown - 1] == '\n') || shown == LINE_SIZE - 1)
        return shown;
    size_t length = LINE_SIZE - 1;
    while (line[length] != '\0')
        --length;
    return length;
}

int read_intel_hex_watched(FILE *in, DataSink sink, bool force_flash_base, const ReadWatch *watch) {
    char line[LINE_SIZE];
    memset(line, UNWRITTEN, sizeof line);
    ReaderState reading = {sink, force_flash_base, watch, 0, 1, 0, 0};
    while (!feof(in) && !ferror(in)) {
        if (!fgets(line, LINE_SIZE, in))
            continue;
        // fgets stops after the first line feed, so a line feed can only be the last
        // character. A record ends at the first zero, as strlen sees it.
        size_t shown = strlen(line), length = piece_length(line, shown);
        bool line_ends = length > 0 && line[length - 1] == '\n';
        if (line[0] == ':') {
            size_t used =
                handle_record(reading, line, line_ends && shown == length ? shown - 1 : shown);
            if (used > 0)
                check_unread(reading, line + used, length - used);
        } else if (line[0] == '\0' || line[0] == '\r' || line[0] == '\n') {
            check_unread(reading, line, length); // an empty line says nothing, but what follows may
        } else {
            report(reading, LINE_INVALID, line);
        }
        reading.line_number += line_ends;
        // Back to a buffer without zeros for the next read.
        if (shown < length)
            memset(line, UNWRITTEN, length);
        line[length] = UNWRITTEN;
    }
    return 0;
}

int read_intel_hex(FILE *in, DataSink sink, bool force_flash_base) {
    return read_intel_hex_watched(in, sink, force_flash_base, nullptr);
}

} // namespace lumbrix
