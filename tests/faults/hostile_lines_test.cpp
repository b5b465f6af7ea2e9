// Lines no tool writes: each must be delivered, reported or skipped as the reading rules say,
// and nothing else may come of it.
#include "hex_reading.h"
#include "hex_text.h"

#include "lumbrix/ihex.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace lumbrix;

namespace {

std::string invalid(const std::string &line) {
    return "ERROR: Found invalid ihex line <" + line + ">\n";
}

std::string bad_checksum(const std::string &line) {
    return "ERROR: Found invalid checksum in ihex line <" + line + ">\n";
}

// A valid record that delivers 0x55 at address 0; used to show that reading goes on.
const std::string RECORD_55 = ":0100000055AA\n";
const Delivery DELIVERY_55 = {0, {0x55}};

TEST(HostileLines, NulBytesEndTheLineWhereTheyStand) {
    using namespace std::string_literals;
    // A piece that starts with NUL is skipped silently, whatever follows the NUL.
    Reading led = read_hex_text("\0:0100000055AA\n"s + RECORD_55);
    EXPECT_EQ("", led.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, led.deliveries);

    Reading cut = read_hex_text(":0400000001020304\0F2\n"s + RECORD_55);
    EXPECT_EQ(bad_checksum(":0400000001020304"), cut.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, cut.deliveries);

    Reading trailing = read_hex_text(":0100000055AA\0zz\n"s);
    EXPECT_EQ("", trailing.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, trailing.deliveries);
}

TEST(HostileLines, LongLinesArriveInPiecesOf511) {
    Reading text = read_hex_text(std::string(1200, 'x') + "\n" + RECORD_55);
    EXPECT_EQ(invalid(std::string(511, 'x')) + invalid(std::string(511, 'x')) +
                  invalid(std::string(178, 'x') + "\n"),
              text.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, text.deliveries);

    std::string digits(1100, '7');
    EXPECT_EQ(invalid(digits.substr(0, 511)) + invalid(digits.substr(0, 511)) +
                  invalid(digits.substr(0, 78) + "\n"),
              read_hex_text(digits + "\n").messages);
}

TEST(HostileLines, LargestRecordReadsWhole) {
    std::vector<uint8_t> data = hex_bytes(250, 3);
    std::string line = hex_record(0x00, 0x1000, data);
    ASSERT_EQ(512u, line.size()); // 511 characters and the line end, which arrives alone
    Reading reading = read_hex_text(line);
    EXPECT_EQ("", reading.messages);
    EXPECT_EQ(std::vector<Delivery>({{0x1000, data}}), reading.deliveries);
}

TEST(HostileLines, RecordTooLongForOnePiece) {
    std::string line = hex_record(0x00, 0, hex_bytes(251, 1));
    Reading reading = read_hex_text(line + RECORD_55);
    EXPECT_EQ(bad_checksum(line.substr(0, 511)) + invalid(line.substr(511)), reading.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, reading.deliveries);
}

TEST(HostileLines, LinesOfColonsOnly) {
    EXPECT_EQ(bad_checksum(":\n"), read_hex_text(":\n").messages);
    std::string colons(20, ':');
    EXPECT_EQ(bad_checksum(colons + "\n"), read_hex_text(colons + "\n").messages);
    // 511 colons are long enough for the count they spell (0xF3) and fail the checksum.
    std::string many(600, ':');
    Reading reading = read_hex_text(many + "\n");
    EXPECT_EQ(bad_checksum(many.substr(0, 511)) + bad_checksum(many.substr(511) + "\n"),
              reading.messages);
    EXPECT_TRUE(reading.deliveries.empty());
}

TEST(HostileLines, CountsLargerThanTheLine) {
    for (std::string line :
         {":10000000000102\n", ":FF00000000000000000000000000\n", ":02000004\n"}) {
        Reading reading = read_hex_text(line);
        EXPECT_EQ(bad_checksum(line), reading.messages);
        EXPECT_TRUE(reading.deliveries.empty());
    }
    // An address record whose checksum holds but whose value is missing changes no base.
    Reading reading = read_hex_text(":00000004FC\n" + RECORD_55);
    EXPECT_EQ(bad_checksum(":00000004FC\n"), reading.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, reading.deliveries);
}

TEST(HostileLines, CarriageReturnWithoutLineFeed) {
    // Without line feeds the file is one line: the first record counts and the rest trails it.
    Reading joined = read_hex_text(":0100000055AA\r:010001006698\r");
    EXPECT_EQ("", joined.messages);
    EXPECT_EQ(std::vector{DELIVERY_55}, joined.deliveries);

    Reading led = read_hex_text("\r:010001006698\n" + RECORD_55);
    EXPECT_EQ("", led.messages) << "a line that starts with CR is skipped silently";
    EXPECT_EQ(std::vector{DELIVERY_55}, led.deliveries);

    EXPECT_EQ(invalid("text\r:0100000055AA\n"), read_hex_text("text\r:0100000055AA\n").messages);
}

TEST(HostileLines, NonAsciiBytes) {
    EXPECT_EQ(invalid("\xC3\xA9t\xC3\xA9\n"), read_hex_text("\xC3\xA9t\xC3\xA9\n").messages);
    EXPECT_EQ(bad_checksum(":01000000\xC3\xA9"
                           "AA\n"),
              read_hex_text(":01000000\xC3\xA9"
                            "AA\n")
                  .messages);
    // Non-digits have a defined value (0xC3 0xA9 make 0xD2) and a record of them is judged by
    // its checksum alone.
    Reading judged = read_hex_text(":01000000\xC3\xA9"
                                   "2D\n");
    EXPECT_EQ("", judged.messages);
    EXPECT_EQ(std::vector<Delivery>({{0, {0xD2}}}), judged.deliveries);
}

} // namespace
