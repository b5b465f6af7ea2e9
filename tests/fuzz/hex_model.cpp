#include "hex_model.h"
#include "hex_text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace {

constexpr size_t PIECE = 1023; // the most characters one read of a line yields
constexpr uint32_t FLASH_FIRST = 0x80000;
constexpr uint32_t PAGE = 512;

uint8_t digit_value(char c) {
    uint8_t k = static_cast<uint8_t>(c);
    if (k >= '0' && k <= '9')
        return k - 0x30;
    if (k >= 'A' && k <= 'F')
        return k - 0x37;
    return static_cast<uint8_t>(k - 0x57);
}

uint8_t byte_at(const std::string &line, size_t pos) {
    return static_cast<uint8_t>(digit_value(line[pos]) << 4 | digit_value(line[pos + 1]));
}

enum { INVALID, CHECKSUM, UNKNOWN };

struct Reader {
    bool force_flash_base;
    uint32_t base = 0;
    ModelReading reading;
    size_t line_number = 1;
    // The last line told of as rejected and as unread: a line read in pieces is told once each.
    size_t rejected_told = 0, unread_told = 0;

    // Always 0: a rejected line takes no characters as a record.
    size_t report(int fault, const std::string &line) {
        const char *what[] = {"invalid", "invalid checksum in", "unknown format in"};
        reading.messages +=
            std::string("ERROR: Found ") + what[fault] + " ihex line <" + line + ">\n";
        if (std::exchange(rejected_told, line_number) != line_number)
            reading.watched +=
                "rejected " + std::to_string(line_number) + " " + std::to_string(fault) + "\n";
        return 0;
    }

    // Anything but white space is text passed over.
    void pass_over(std::string text) {
        while (!text.empty() && std::string(" \t\r\n\v\f").find(text.back()) != std::string::npos)
            text.pop_back();
        if (!text.empty() && std::exchange(unread_told, line_number) != line_number)
            reading.watched += "unread " + std::to_string(line_number) + " " + text + "\n";
    }

    size_t handle_record(const std::string &line) {
        size_t usable = std::min(line.find('\n'), line.size());
        if (usable < 11)
            return report(CHECKSUM, line);
        uint8_t count = byte_at(line, 1);
        uint16_t offset = static_cast<uint16_t>(byte_at(line, 3) << 8 | byte_at(line, 5));
        uint8_t type = byte_at(line, 7);
        size_t needed = 11 + 2 * size_t{count};
        if (type == 2 || type == 4)
            needed = std::max<size_t>(needed, 13);
        if (usable < needed)
            return report(CHECKSUM, line);
        uint8_t sum = 0;
        for (size_t pos = 1; pos <= 9 + 2 * size_t{count}; pos += 2)
            sum += byte_at(line, pos);
        if (sum != 0)
            return report(CHECKSUM, line);
        if (type > 5)
            return report(UNKNOWN, line);
        uint32_t value = type == 2 || type == 4 ? byte_at(line, 9) << 8 | byte_at(line, 11) : 0;
        if (type == 0) {
            ModelRecord record{base + offset, {}};
            for (size_t i = 0; i < count; ++i)
                record.bytes.push_back(byte_at(line, 9 + 2 * i));
            reading.records.push_back(record);
        } else if (type == 2) {
            base = (force_flash_base ? value | 0x8000 : value) * 16;
        } else if (type == 4) {
            base = (force_flash_base ? value | 0x0008 : value) * 65536;
        }
        return needed;
    }

    // The piece is handled as a C string: it ends at its first NUL. Its line end counts still.
    void handle_piece(const std::string &piece) {
        std::string line = piece.substr(0, piece.find('\0'));
        if (line.empty() || line[0] == '\r' || line[0] == '\n')
            pass_over(piece);
        else if (line[0] != ':')
            report(INVALID, line);
        else if (size_t used = handle_record(line))
            pass_over(piece.substr(used));
        line_number += piece.back() == '\n';
    }
};

// The 30 KiB parts' window ends at 0x877FF, the 94 KiB parts' at 0x977FF.
std::optional<uint32_t> window_last(int part_code) {
    if (part_code == '0' || part_code == '1' || part_code == '4')
        return 0x877FF;
    if (part_code >= '2' && part_code <= '6')
        return 0x977FF;
    return std::nullopt;
}

// The flash window's bytes; -1 where the HEX file gave none.
typedef std::array<int, 0x17800> Flash;

void put_page(std::vector<uint8_t> &file, const Flash &flash, size_t page, bool type6) {
    uint32_t address = FLASH_FIRST + static_cast<uint32_t>(page * PAGE);
    if (type6) {
        put_le(file, address / PAGE, 2);
        put_le(file, 1, 1);
    } else {
        put_le(file, address, 4);
        put_le(file, PAGE, 2);
    }
    uint32_t checksum = 0;
    for (size_t i = 0; i < PAGE; ++i) {
        int held = flash[page * PAGE + i];
        uint8_t byte = held < 0 ? 0xFF : static_cast<uint8_t>(held);
        file.push_back(byte);
        checksum += i % 2 ? byte << 8 : byte;
    }
    put_le(file, checksum, 4);
}

} // namespace

ModelReading model_read(const uint8_t *data, size_t size, bool force_flash_base) {
    Reader reader{force_flash_base, 0, {}};
    for (size_t pos = 0; pos < size;) {
        size_t end = pos;
        while (end < size && end - pos < PIECE)
            if (data[end++] == '\n')
                break;
        reader.handle_piece(std::string(reinterpret_cast<const char *>(data + pos), end - pos));
        pos = end;
    }
    return reader.reading;
}

std::vector<uint8_t> model_download(const std::vector<ModelRecord> &records, int part_code,
                                    bool type6) {
    static Flash flash;
    flash.fill(-1);
    std::array<bool, flash.size() / PAGE> held{};
    std::optional<uint32_t> last = window_last(part_code);
    for (const ModelRecord &record : records) {
        uint64_t end = uint64_t{record.address} + record.bytes.size();
        if (!last || end > uint64_t{1} << 32) // a run past the top of the space is dropped
            continue;
        for (size_t i = 0; i < record.bytes.size(); ++i) {
            uint32_t address = record.address + static_cast<uint32_t>(i);
            if (address >= FLASH_FIRST && address <= *last) {
                flash[address - FLASH_FIRST] = record.bytes[i];
                held[(address - FLASH_FIRST) / PAGE] = true;
            }
        }
    }

    auto first = std::find(held.begin(), held.end(), true);
    auto past_last = std::find(held.rbegin(), held.rend(), true).base();

    std::vector<uint8_t> file;
    if (type6)
        file.push_back(static_cast<uint8_t>(part_code));
    for (auto page = first; page < past_last; ++page)
        if (type6 || *page)
            put_page(file, flash, page - held.begin(), type6);
    return file;
}
