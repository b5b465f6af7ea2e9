// Records in the orders HEX files hold them, many more than wait together at once, against the
// model of the reading rules: the later of two records always wins where they overlap.
#include "conversion.h"
#include "hex_model.h"
#include "hex_text.h"

#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace lumbrix;

namespace {

using Records = std::vector<ModelRecord>;

constexpr uint32_t WINDOW = 0x80000;
constexpr uint32_t WINDOW_SIZE = 0x17800;

ModelRecord random_record(std::mt19937 &rng, uint32_t address, size_t length) {
    std::vector<uint8_t> bytes(length);
    for (uint8_t &b : bytes)
        b = static_cast<uint8_t>(rng());
    return {address, bytes};
}

uint32_t random_address(std::mt19937 &rng, uint32_t span) {
    return WINDOW + static_cast<uint32_t>(rng() % span);
}

// Every byte of 64 KiB once, shuffled, with 8,000 longer records that overwrite some of them
// among them: more records than wait together, so some overlap ones added long before.
Records shuffled_with_rewrites(std::mt19937 &rng) {
    Records records;
    for (uint32_t offset = 0; offset < 0x10000; ++offset)
        records.push_back(random_record(rng, WINDOW + offset, 1));
    for (int i = 0; i < 8000; ++i)
        records.push_back(random_record(rng, random_address(rng, 0x10000), 16));
    std::shuffle(records.begin(), records.end(), rng);
    return records;
}

// Longest records at random places: more bytes than wait together, and most records overlap
// several others.
Records long_records_overlapping(std::mt19937 &rng) {
    Records records;
    for (int i = 0; i < 5000; ++i)
        records.push_back(random_record(rng, random_address(rng, WINDOW_SIZE - 250), 250));
    return records;
}

// A linker's records in address order, every 50th going back over bytes written before.
Records ascending_with_returns(std::mt19937 &rng) {
    Records records;
    for (uint32_t address = WINDOW, n = 1; address < WINDOW + 0x8000; address += 16, ++n) {
        records.push_back(random_record(rng, address, 16));
        if (n % 50 == 0)
            records.push_back(random_record(rng, address - 1000, 24));
    }
    return records;
}

// A few addresses written over and over, in records of different lengths.
Records same_places_again(std::mt19937 &rng) {
    Records records;
    for (int i = 0; i < 3000; ++i)
        records.push_back(random_record(rng, WINDOW + 512 * (rng() % 4), 1 + rng() % 32));
    return records;
}

std::string hex_of(const Records &records) {
    std::string hex;
    for (const ModelRecord &record : records)
        hex += hex_data_at(record.address, record.bytes);
    return hex + hex_record(0x01, 0, {});
}

struct OrderCase {
    const char *label;
    Records (*make)(std::mt19937 &);
};

void PrintTo(const OrderCase &c, std::ostream *os) {
    *os << c.label;
}

class RecordOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(RecordOrder, LaterRecordsWin) {
    std::mt19937 rng(551);
    Records records = GetParam().make(rng);
    std::string hex = hex_of(records);
    for (bool type6 : {false, true}) {
        SCOPED_TRACE(type6 ? "Type 6" : "Type 4");
        Conversion conversion = convert_in_memory(hex.data(), hex.size(), '6', type6);
        EXPECT_EQ(0, conversion.result);
        EXPECT_TRUE(conversion.file == model_download(records, '6', type6));
        EXPECT_EQ(nullptr, g_image);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, RecordOrder,
    testing::Values(OrderCase{"shuffled_with_rewrites", shuffled_with_rewrites},
                    OrderCase{"long_records_overlapping", long_records_overlapping},
                    OrderCase{"ascending_with_returns", ascending_with_returns},
                    OrderCase{"same_places_again", same_places_again}),
    [](const auto &info) { return info.param.label; });

} // namespace
