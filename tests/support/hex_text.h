// Intel HEX text for the tests, one record line at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One record line with a correct checksum, line end included.
inline std::string hex_record(uint8_t type, uint16_t offset, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> fields = {static_cast<uint8_t>(data.size()),
                                   static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset),
                                   type};
    fields.insert(fields.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : fields)
        sum += b;
    fields.push_back(static_cast<uint8_t>(-sum));
    static const char digits[] = "0123456789ABCDEF";
    std::string line = ":";
    for (uint8_t b : fields) {
        line += digits[b >> 4];
        line += digits[b & 0xF];
    }
    return line + "\n";
}

// A data record at the absolute address, preceded by the extended linear address it needs.
inline std::string hex_data_at(uint32_t address, const std::vector<uint8_t> &data) {
    return hex_record(0x04, 0,
                      {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16)}) +
           hex_record(0x00, static_cast<uint16_t>(address), data);
}

inline std::vector<uint8_t> hex_bytes(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(first + 7 * i);
    return bytes;
}
