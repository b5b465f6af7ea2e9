#include "hex_text.h"

#include "lumbrix/download.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace lumbrix;

namespace {

using Bytes = std::vector<uint8_t>;
using Writer = int (*)(FILE *, FILE *, int);

struct Conversion {
    int result;
    Bytes file;
    std::string messages;
};

// HEX text placing `data` at a 32-bit address, in records of at most `width` bytes.
std::string hex_at(uint32_t address, const Bytes &data, size_t width = 16) {
    std::string text;
    uint32_t upper = 0xFFFFFFFF;
    for (size_t i = 0; i < data.size(); i += width) {
        uint32_t a = address + static_cast<uint32_t>(i);
        if (a >> 16 != upper) {
            upper = a >> 16;
            text +=
                hex_record(4, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
        }
        size_t n = std::min(width, data.size() - i);
        text +=
            hex_record(0, static_cast<uint16_t>(a), Bytes(data.begin() + i, data.begin() + i + n));
    }
    return text;
}

Conversion convert(Writer writer, const std::string &hex, int part_code) {
    FILE *in = fmemopen(const_cast<char *>(hex.data()), hex.size(), "r");
    char *buffer = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&buffer, &size);
    testing::internal::CaptureStderr();
    int result = writer(in, out, part_code);
    std::string messages = testing::internal::GetCapturedStderr();
    Bytes file(buffer, buffer + size);
    free(buffer);
    EXPECT_EQ(nullptr, g_image) << "the image is emptied by every conversion";
    return {result, file, messages};
}

uint32_t le(const Bytes &file, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | file[at + i];
    return value;
}

Bytes page_with(size_t at, const Bytes &data) {
    Bytes page(512, 0xFF);
    std::copy(data.begin(), data.end(), page.begin() + at);
    return page;
}

Bytes type4_record(uint32_t address, const Bytes &page, uint32_t checksum) {
    Bytes r = {static_cast<uint8_t>(address),
               static_cast<uint8_t>(address >> 8),
               static_cast<uint8_t>(address >> 16),
               static_cast<uint8_t>(address >> 24),
               0x00,
               0x02};
    r.insert(r.end(), page.begin(), page.end());
    for (int i = 0; i < 4; ++i)
        r.push_back(static_cast<uint8_t>(checksum >> (8 * i)));
    return r;
}

std::vector<uint32_t> type4_addresses(const Bytes &file) {
    std::vector<uint32_t> addresses;
    for (size_t at = 0; at + 522 <= file.size(); at += 522)
        addresses.push_back(le(file, at, 4));
    return addresses;
}

std::vector<uint32_t> type6_pages(const Bytes &file) {
    std::vector<uint32_t> pages;
    for (size_t at = 1; at + 519 <= file.size(); at += 519)
        pages.push_back(le(file, at, 2));
    return pages;
}

Bytes counting(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return bytes;
}

TEST(Download, OneByteGivesOnePaddedPageInBothLayouts) {
    std::string hex = hex_at(0x80001, {0x00});
    Bytes page = page_with(1, {0x00});
    Bytes record = type4_record(0x80000, page, 0xFF0000);
    auto type4 = convert(write_download_type4, hex, '0');
    EXPECT_EQ(0, type4.result);
    EXPECT_EQ(record, type4.file);

    auto type6 = convert(write_download_type6, hex, '0');
    Bytes expected = {0x30, 0x00, 0x04, 0x01};
    expected.insert(expected.end(), page.begin(), page.end());
    expected.insert(expected.end(), record.end() - 4, record.end());
    EXPECT_EQ(0, type6.result);
    EXPECT_EQ(expected, type6.file);
}

TEST(Download, PageChecksumsAddLittleEndianWords) {
    auto file = convert(write_download_type4, hex_at(0x80000, {0x34, 0x12}), '2').file;
    EXPECT_EQ(0xFF1135u, le(file, 518, 4));
    file =
        convert(write_download_type6, hex_at(0x80000, Bytes(512, 0)) + hex_at(0x80600, {0xFF}), '2')
            .file;
    ASSERT_EQ(1u + 4 * 519, file.size());
    EXPECT_EQ(0u, le(file, 1 + 3 + 512, 4));
    EXPECT_EQ(0xFFFF00u, le(file, 1 + 519 + 3 + 512, 4)) << "a gap page is all 0xFF";
}

TEST(Download, Type4SkipsEmptyPagesAndType6FillsThem) {
    std::string hex = hex_at(0x80000, Bytes(16, 1)) + hex_at(0x80400, Bytes(16, 2));
    auto type4 = convert(write_download_type4, hex, '6');
    EXPECT_EQ(type4_addresses(type4.file), (std::vector<uint32_t>{0x80000, 0x80400}));
    EXPECT_EQ(2u * 522, type4.file.size());
    auto type6 = convert(write_download_type6, hex, '6');
    EXPECT_EQ(type6_pages(type6.file), (std::vector<uint32_t>{0x400, 0x401, 0x402}));
    EXPECT_EQ('6', type6.file[0]);
    EXPECT_EQ(1u + 3 * 519, type6.file.size());

    std::string across = hex_at(0x801F0, Bytes(32, 3));
    EXPECT_EQ(type4_addresses(convert(write_download_type4, across, '6').file),
              (std::vector<uint32_t>{0x80000, 0x80200}));
    EXPECT_EQ(type6_pages(convert(write_download_type6, across, '6').file),
              (std::vector<uint32_t>{0x400, 0x401}));
}

TEST(Download, FullWindowsHaveTheirFixedSizes) {
    std::string window30 = hex_at(0x7F000, counting(0x9000), 32);
    std::string window94 = hex_at(0x80000, counting(0x18000), 250);
    for (int part : {'0', '1', '4'}) {
        EXPECT_EQ(31320u, convert(write_download_type4, window30, part).file.size());
        EXPECT_EQ(31141u, convert(write_download_type6, window30, part).file.size());
    }
    for (int part : {'2', '3', '5', '6'}) {
        auto type4 = convert(write_download_type4, window94, part);
        EXPECT_EQ(98136u, type4.file.size());
        EXPECT_EQ(0x977FFu - 511, type4_addresses(type4.file).back());
        EXPECT_EQ(97573u, convert(write_download_type6, window94, part).file.size());
    }
}

TEST(Download, RecordsAreClippedToTheWindow) {
    Bytes data = counting(16);
    auto low = convert(write_download_type4, hex_at(0x7FFF8, data), '0').file;
    EXPECT_EQ(
        type4_record(0x80000, page_with(0, Bytes(data.begin() + 8, data.end())), le(low, 518, 4)),
        low);

    std::string high = hex_at(0x877F8, data);
    auto clipped = convert(write_download_type4, high, '4').file;
    EXPECT_EQ(page_with(0x1F8, Bytes(data.begin(), data.begin() + 8)),
              Bytes(clipped.begin() + 6, clipped.begin() + 518));
    EXPECT_EQ(2u * 522, convert(write_download_type4, high, '5').file.size());

    std::string outside = hex_at(0x87800, data) + hex_at(0x7FF00, data) + hex_at(0xFFFFFFF8, data);
    auto none = convert(write_download_type6, outside, '1');
    EXPECT_EQ(Bytes{'1'}, none.file);
    EXPECT_EQ(0, none.result);
    EXPECT_EQ("", none.messages);
    EXPECT_EQ(1u + 519, convert(write_download_type6, outside, '3').file.size());
}

TEST(Download, UnknownPartReadsNothingAndWritesOnlyTheHeader) {
    std::string hex = "garbage\n" + hex_at(0x80000, Bytes(16, 1));
    auto type6 = convert(write_download_type6, hex, '7');
    EXPECT_EQ(0, type6.result);
    EXPECT_EQ(Bytes{'7'}, type6.file);
    EXPECT_EQ("", type6.messages) << "the input is not read at all";
    auto type4 = convert(write_download_type4, hex, 0x130);
    EXPECT_TRUE(type4.file.empty());
    EXPECT_EQ(Bytes{0x30}, convert(write_download_type6, "", '0').file);
}

TEST(Download, RecordOrderDoesNotChangeTheFile) {
    std::vector<std::string> lines;
    Bytes data = counting(0x3000);
    for (size_t i = 0; i < data.size(); i += 16)
        lines.push_back(hex_at(0x80100 + static_cast<uint32_t>(i),
                               Bytes(data.begin() + i, data.begin() + i + 16)));
    std::string ascending, descending;
    for (size_t i = 0; i < lines.size(); ++i) {
        ascending += lines[i];
        descending += lines[lines.size() - 1 - i];
    }
    for (Writer writer : {write_download_type4, write_download_type6}) {
        auto forward = convert(writer, ascending, '2');
        EXPECT_EQ(forward.file, convert(writer, descending, '2').file);
        EXPECT_EQ(0, forward.result);
    }
}

TEST(Download, BadLinesAreReportedButDoNotFailTheConversion) {
    auto result = convert(write_download_type4, "junk\n" + hex_at(0x80000, {1, 2}), '0');
    EXPECT_EQ(0, result.result);
    EXPECT_EQ("ERROR: Found invalid ihex line <junk\n>\n", result.messages);
    EXPECT_EQ(522u, result.file.size());
}

class DownloadFiles : public ::testing::Test {
  protected:
    std::filesystem::path dir;

    void SetUp() override {
        char pattern[] = "/tmp/lumbrix-download-XXXXXX";
        dir = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string write(const std::string &name, const std::string &text) {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    }
    std::string path(const std::string &name) { return (dir / name).string(); }
};

TEST_F(DownloadFiles, PathFunctionsForceExtendedAddressesIntoFlash) {
    std::string hex = write("in.hex", hex_record(4, 0, {0, 0}) + hex_record(0, 0x10, {0xAB}));
    EXPECT_EQ(0, convert_file_type4(hex.c_str(), path("out.qvr").c_str(), '1'));
    EXPECT_EQ(522u, std::filesystem::file_size(path("out.qvr")));
    EXPECT_EQ(0, convert_file_type6(hex.c_str(), path("out6.qvr").c_str(), '2'));
    EXPECT_EQ(1u + 519, std::filesystem::file_size(path("out6.qvr")));

    FILE *in = fopen(hex.c_str(), "r");
    EXPECT_EQ(0, write_download_type4(in, fopen(path("plain.qvr").c_str(), "wb"), '1'));
    EXPECT_EQ(0u, std::filesystem::file_size(path("plain.qvr"))) << "streams use addresses as read";
}

TEST_F(DownloadFiles, PathFunctionsFailWithoutTouchingTheOutput) {
    std::string hex = write("in.hex", hex_at(0x80000, {1}));
    EXPECT_EQ(1, convert_file_type4(path("missing.hex").c_str(), path("out.qvr").c_str(), '0'));
    EXPECT_FALSE(std::filesystem::exists(path("out.qvr")));
    EXPECT_EQ(1, convert_file_type6(hex.c_str(), path("no/such/dir.qvr").c_str(), '0'));
    EXPECT_EQ(nullptr, g_image);
    EXPECT_EQ(0, convert_file_type6(hex.c_str(), path("out.qvr").c_str(), '0'));
}

TEST_F(DownloadFiles, OutputOntoTheInputFailsAndKeepsTheInput) {
    std::string text = hex_at(0x80000, {1});
    std::string hex = write("in.hex", text);
    std::string respelled = (dir / "." / "in.hex").string();
    EXPECT_EQ(1, convert_file_type6(hex.c_str(), respelled.c_str(), '0'));
    EXPECT_EQ(text.size(), std::filesystem::file_size(hex));
}

TEST_F(DownloadFiles, ReadAndWriteErrorsFailTheConversion) {
    std::string hex = write("in.hex", hex_at(0x80000, {1}));
    EXPECT_EQ(1, convert_file_type4(dir.c_str(), path("out.qvr").c_str(), '0'))
        << "a directory opens but cannot be read";
    EXPECT_EQ(1, convert_file_type6(hex.c_str(), "/dev/full", '0'));
    EXPECT_EQ(1, write_download_type4(fopen(hex.c_str(), "r"), fopen("/dev/full", "wb"), '0'));
}

} // namespace
