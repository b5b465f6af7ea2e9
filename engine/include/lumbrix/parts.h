// The part catalogue: every target part, how each front end names it, and the flash window
// its download file may fill.
#pragma once

#include <cstdint>

namespace lumbrix {

// Every part's flash window begins here; the parts differ in where theirs ends.
constexpr uint32_t FLASH_FIRST = 0x80000;
constexpr uint32_t FLASH_LAST_30K = 0x877FF;
constexpr uint32_t FLASH_LAST_94K = 0x977FF;

struct Part {
    int code;         // the engine's name for the part, an ASCII digit; a Type 6 file's first byte
    const char *name; // as the dialog's part list shows it; null for a part that has none
    int console_number;  // the console program's <part> argument
    bool in_dialog;      // whether the dialog's part list offers it
    uint32_t flash_last; // last address of the flash window
};

// In the order of the dialog's part list.
inline constexpr Part PARTS[] = {
    {'0', "Tarvic5510", 5510, true, FLASH_LAST_30K},
    {'1', nullptr, 5511, false, FLASH_LAST_30K},
    {'2', "Tarvic5512", 5512, true, FLASH_LAST_94K},
    {'3', "Tarvic5513", 5513, true, FLASH_LAST_94K},
    {'4', "Tarvic5514", 5514, true, FLASH_LAST_30K},
    {'5', "Tarvic5515", 5515, true, FLASH_LAST_94K},
    {'6', "Tarvic5516", 5516, true, FLASH_LAST_94K},
};

// The part with this code, or null when no part has it.
const Part *part_by_code(int code);

// The part with this console number, or null when no part has it.
const Part *part_by_console_number(int number);

} // namespace lumbrix
