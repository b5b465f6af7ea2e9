// Runs the HEX reader over text and keeps what it delivered and what it reported.
#pragma once

#include "lumbrix/ihex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

struct Delivery {
    uint32_t address;
    std::vector<uint8_t> bytes;
    bool operator==(const Delivery &) const = default;
};

struct Reading {
    std::vector<Delivery> deliveries;
    std::string messages;
};

inline std::vector<Delivery> &reading_deliveries() {
    static std::vector<Delivery> deliveries;
    return deliveries;
}

inline int reading_collect(const uint8_t *bytes, uint32_t address, uint32_t length) {
    reading_deliveries().push_back({address, std::vector<uint8_t>(bytes, bytes + length)});
    return 1; // the reader must ignore what a sink returns
}

inline Reading read_hex_text(const std::string &text, bool force_flash_base = false) {
    reading_deliveries().clear();
    FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, lumbrix::read_intel_hex(in, reading_collect, force_flash_base));
    std::string messages = testing::internal::GetCapturedStderr();
    fclose(in);
    return {reading_deliveries(), messages};
}
