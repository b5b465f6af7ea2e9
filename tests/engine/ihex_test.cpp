#include "hex_reading.h"
#include "hex_text.h"

#include "lumbrix/ihex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lumbrix;

namespace {

std::string checksum_message(const std::string &line) {
    return "ERROR: Found invalid checksum in ihex line <" + line + ">\n";
}

std::vector<uint8_t> counting(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

// A record line without its line end.
std::string bare(std::string line) {
    line.pop_back();
    return line;
}

TEST(HexDigitValue, FollowsTheDigitTable) {
    EXPECT_EQ(0, hex_digit_value('0'));
    EXPECT_EQ(9, hex_digit_value('9'));
    EXPECT_EQ(10, hex_digit_value('A'));
    EXPECT_EQ(15, hex_digit_value('F'));
    EXPECT_EQ(10, hex_digit_value('a'));
    EXPECT_EQ(15, hex_digit_value('f'));
    EXPECT_EQ(0xF0, hex_digit_value('G'));
    EXPECT_EQ(0xA9, hex_digit_value('\0'));
    EXPECT_EQ(0xA8, hex_digit_value('\xFF'));
}

TEST(ReadIntelHex, DeliversDataRecordsWithAbsoluteAddresses) {
    Reading result = read_hex_text(":10000000000102030405060708090A0B0C0D0E0F78\n");
    EXPECT_EQ(result.deliveries, (std::vector<Delivery>{{0, counting(16)}}));
    EXPECT_EQ("", result.messages);

    result = read_hex_text(hex_record(4, 0, {0x12, 0x34}) + hex_record(0, 0xFFFF, {1, 2}));
    EXPECT_EQ(result.deliveries, (std::vector<Delivery>{{0x1234FFFF, {1, 2}}}));

    result = read_hex_text(":02ABCD00aa5587\n:00000001FF\n" + hex_record(0, 0x10, {}) +
                           bare(hex_record(0, 0x20, {7})));
    EXPECT_EQ(result.deliveries,
              (std::vector<Delivery>{{0xABCD, {0xAA, 0x55}}, {0x10, {}}, {0x20, {7}}}))
        << "lower case, count 0, data after end of file, no final line end";
    EXPECT_EQ("", result.messages);
}

TEST(ReadIntelHex, ExtendedAddressRecords) {
    struct Case {
        uint8_t type;
        uint16_t value;
        uint32_t plain, forced;
    };
    for (Case c : {Case{2, 0x0000, 0, 0x80000}, Case{2, 0x1000, 0x10000, 0x90000},
                   Case{2, 0x8000, 0x80000, 0x80000}, Case{4, 0x0000, 0, 0x80000},
                   Case{4, 0x0001, 0x10000, 0x90000}, Case{4, 0x0008, 0x80000, 0x80000},
                   Case{4, 0x1234, 0x12340000, 0x123C0000}}) {
        std::string text =
            hex_record(c.type, 0,
                       {static_cast<uint8_t>(c.value >> 8), static_cast<uint8_t>(c.value)}) +
            hex_record(0, 0, {9});
        EXPECT_EQ(read_hex_text(text, false).deliveries, (std::vector<Delivery>{{c.plain, {9}}}));
        EXPECT_EQ(read_hex_text(text, true).deliveries, (std::vector<Delivery>{{c.forced, {9}}}));
    }

    auto later_wins = read_hex_text(hex_record(2, 0, {0x10, 0x00}) + hex_record(4, 0, {0, 8}) +
                                    hex_record(0, 4, {1}));
    EXPECT_EQ(later_wins.deliveries, (std::vector<Delivery>{{0x80004, {1}}}));

    // The value comes from characters 9 to 12 whatever the count says.
    auto count_zero = read_hex_text(":00000004FC08\n" + hex_record(0, 0, {1}));
    EXPECT_EQ(count_zero.deliveries, (std::vector<Delivery>{{0xFC080000, {1}}}));
}

TEST(ReadIntelHex, ReportsBadLinesExactlyAndGoesOn) {
    std::string bad_sum = ":10000000000102030405060708090A0B0C0D0E0F79\n";
    std::string type6 = hex_record(6, 0, {1});
    std::string bad_type6 = ":0100000601F9\n";
    Reading result = read_hex_text(" :00000001FF\n;comment\r\n" + bad_sum + type6 + bad_type6 +
                                   hex_record(0, 0, {5}));
    EXPECT_EQ(result.messages, "ERROR: Found invalid ihex line < :00000001FF\n>\n"
                               "ERROR: Found invalid ihex line <;comment\r\n>\n" +
                                   checksum_message(bad_sum) +
                                   "ERROR: Found unknown format in ihex line <" + type6 + ">\n" +
                                   checksum_message(bad_type6));
    EXPECT_EQ(result.deliveries, (std::vector<Delivery>{{0, {5}}}));

    auto blank = read_hex_text("\n\r\n\r\n" + std::string(1, '\0') + "junk\n" +
                               bare(hex_record(0, 1, {1})) + "\r\n");
    EXPECT_EQ("", blank.messages) << "blank lines and a piece starting with zero are skipped";
    EXPECT_EQ(blank.deliveries, (std::vector<Delivery>{{1, {1}}}));

    auto bad_base =
        read_hex_text(hex_record(4, 0, {0, 8}) + ":020000040009F0\n" + bare(hex_record(0, 0, {1})));
    EXPECT_EQ(bad_base.deliveries, (std::vector<Delivery>{{0x80000, {1}}}))
        << "a bad extended address record leaves the base as it was";
}

TEST(ReadIntelHex, NonHexCharactersAreJudgedByTheChecksumAlone) {
    // G1 decodes to 0x01, so this record sums to zero and carries the byte 0x01.
    Reading result = read_hex_text(":01000000G1FE\n");
    EXPECT_EQ(result.deliveries, (std::vector<Delivery>{{0, {0x01}}}));
    EXPECT_EQ("", result.messages);
}

TEST(ReadIntelHex, StreamAtItsEndIsNotRead) {
    FILE *in = fmemopen(const_cast<char *>(":00000001FF\n"), 12, "r");
    char line[32];
    while (fgets(line, sizeof line, in)) {
    }
    reading_deliveries().clear();
    EXPECT_EQ(0, read_intel_hex(in, reading_collect, false));
    EXPECT_TRUE(reading_deliveries().empty());
    fclose(in);
}

} // namespace
