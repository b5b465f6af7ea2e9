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

// Characters before the line end. fgets stops after the first line feed, so a line feed can
// only be the last character, and a zero read from the file ends the line where it stands.
static size_t line_usable(const char *line) {
    size_t length = strlen(line);
    return length > 0 && line[length - 1] == '\n' ? length - 1 : length;
}

static const char INVALID_LINE[] = "ERROR: Found invalid ihex line <%s>\n";
static const char INVALID_CHECKSUM[] = "ERROR: Found invalid checksum in ihex line <%s>\n";
static const char UNKNOWN_FORMAT[] = "ERROR: Found unknown format in ihex line <%s>\n";

// Quote the line as read, line end included.
static void report(const char *message, const char *line) {
    fprintf(stderr, message, line);
}

static void handle_record(const char *line, DataSink sink, bool force_flash_base, uint32_t *base) {
    // The header is read only once the line is known to hold it, and each later field
    // only once the line is known to hold all the record needs.
    size_t usable = line_usable(line);
    if (usable < 11) {
        report(INVALID_CHECKSUM, line);
        return;
    }
    uint8_t count = hex_byte_at(line, 1);
    uint16_t offset = hex_word_at(line, 3);
    uint8_t type = hex_byte_at(line, 7);
    uint8_t bytes[256]; // data and checksum
    if (usable < record_size(count, type) || !record_decode(line, count, bytes)) {
        report(INVALID_CHECKSUM, line);
        return;
    }
    switch (type) {
    case DATA:
        sink(bytes, *base + offset, count);
        break;
    case EXTENDED_SEGMENT_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        *base = (force_flash_base ? value | FLASH_FIRST / 16 : value) * 16;
        break;
    }
    case EXTENDED_LINEAR_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        *base = (force_flash_base ? value | FLASH_FIRST >> 16 : value) << 16;
        break;
    }
    case END_OF_FILE:
    case START_SEGMENT_ADDRESS:
    case START_LINEAR_ADDRESS:
        break;
    default:
        report(UNKNOWN_FORMAT, line);
    }
}

int read_intel_hex(FILE *in, DataSink sink, bool force_flash_base) {
    char line[LINE_SIZE];
    uint32_t base = 0;
    while (!feof(in) && !ferror(in)) {
        if (!fgets(line, LINE_SIZE, in))
            continue;
        if (line[0] == '\0' || line[0] == '\r' || line[0] == '\n')
            continue;
        if (line[0] != ':')
            report(INVALID_LINE, line);
        else
            handle_record(line, sink, force_flash_base, &base);
    }
    return 0;
}

} // namespace lumbrix
