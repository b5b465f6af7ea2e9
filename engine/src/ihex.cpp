#include "lumbrix/ihex.h"

#include <cstring>

// One piece of a line: 511 characters and the terminating zero.
constexpr int LINE_SIZE = 512;

enum RecordType : uint8_t {
    DATA = 0x00,
    END_OF_FILE = 0x01,
    EXTENDED_SEGMENT_ADDRESS = 0x02,
    START_SEGMENT_ADDRESS = 0x03,
    EXTENDED_LINEAR_ADDRESS = 0x04,
    START_LINEAR_ADDRESS = 0x05,
};

uint8_t hex_digit_value(char c) {
    uint8_t k = static_cast<uint8_t>(c);
    if (k >= '0' && k <= '9')
        return k - 0x30;
    if (k >= 'A' && k <= 'F')
        return k - 0x37;
    return static_cast<uint8_t>(k - 0x57);
}

static uint8_t hex_byte_at(const char *line, int pos) {
    return static_cast<uint8_t>((hex_digit_value(line[pos]) << 4) | hex_digit_value(line[pos + 1]));
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

static bool checksum_holds(const char *line, uint8_t count) {
    unsigned sum = 0;
    for (int pos = 1; pos < 11 + 2 * count; pos += 2)
        sum += hex_byte_at(line, pos);
    return (sum & 0xFF) == 0;
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
    size_t usable = strcspn(line, "\n");
    if (usable < 11) {
        report(INVALID_CHECKSUM, line);
        return;
    }
    uint8_t count = hex_byte_at(line, 1);
    uint16_t offset = hex_word_at(line, 3);
    uint8_t type = hex_byte_at(line, 7);
    if (usable < record_size(count, type) || !checksum_holds(line, count)) {
        report(INVALID_CHECKSUM, line);
        return;
    }
    switch (type) {
    case DATA: {
        uint8_t data[256];
        for (int i = 0; i < count; ++i)
            data[i] = hex_byte_at(line, 9 + 2 * i);
        sink(data, *base + offset, count);
        break;
    }
    case EXTENDED_SEGMENT_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        *base = (force_flash_base ? value | 0x8000 : value) * 16;
        break;
    }
    case EXTENDED_LINEAR_ADDRESS: {
        uint32_t value = hex_word_at(line, 9);
        *base = (force_flash_base ? value | 0x0008 : value) << 16;
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
