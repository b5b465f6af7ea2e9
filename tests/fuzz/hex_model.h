// A second, independent reading of the Intel HEX rules and the download file layouts, written
// straight from their definitions. The fuzz harnesses hold the engine to it byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ModelRecord {
    uint32_t address;
    std::vector<uint8_t> bytes;
    bool operator==(const ModelRecord &) const = default;
};

struct ModelReading {
    std::vector<ModelRecord> records; // every data record the reader must deliver, in order
    std::string messages;             // everything the reader must write to stderr
    // What it must tell a watch, an event a line: "rejected LINE FAULT" for each rejected line
    // and "unread LINE TEXT" for text it passes over, LINE counted from 1 at each line feed;
    // a line read in pieces gives each its first piece's event only.
    std::string watched;
};

ModelReading model_read(const uint8_t *data, size_t size, bool force_flash_base);

// The download file a conversion must write for these records.
std::vector<uint8_t> model_download(const std::vector<ModelRecord> &records, int part_code,
                                    bool type6);
