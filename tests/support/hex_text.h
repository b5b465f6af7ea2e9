// Intel HEX text and download-file fields for the tests.
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

// Little-endian fields, as the download files store them.
inline uint32_t get_le(const uint8_t *at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

template <typename Bytes> void put_le(Bytes &to, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        to.push_back(static_cast<typename Bytes::value_type>(value >> (8 * i)));
}
