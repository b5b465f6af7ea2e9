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
    const char *name; // as the dialog's part list shows it; null for a part it does not offer
    int console_number;  // the console program's <part> argument
    uint32_t flash_last; // last address of the flash window
};

// Whether the dialog's part list offers the part: the list shows names, so a part is offered
// exactly when it has one.
constexpr bool part_in_dialog(const Part &part) {
    return part.name != nullptr;
}

// In the order of the dialog's part list.
inline constexpr Part PARTS[] = {
    {.code = '0', .name = "Tarvic5510", .console_number = 5510, .flash_last = FLASH_LAST_30K},
    {.code = '1', .name = nullptr, .console_number = 5511, .flash_last = FLASH_LAST_30K},
    {.code = '2', .name = "Tarvic5512", .console_number = 5512, .flash_last = FLASH_LAST_94K},
    {.code = '3', .name = "Tarvic5513", .console_number = 5513, .flash_last = FLASH_LAST_94K},
    {.code = '4', .name = "Tarvic5514", .console_number = 5514, .flash_last = FLASH_LAST_30K},
    {.code = '5', .name = "Tarvic5515", .console_number = 5515, .flash_last = FLASH_LAST_94K},
    {.code = '6', .name = "Tarvic5516", .console_number = 5516, .flash_last = FLASH_LAST_94K},
};

// The part with this code, or null when no part has it.
constexpr const Part *part_by_code(int code) {
    for (const Part &part : PARTS)
        if (part.code == code)
            return &part;
    return nullptr;
}

// The part with this console number, or null when no part has it.
constexpr const Part *part_by_console_number(int number) {
    for (const Part &part : PARTS)
        if (part.console_number == number)
            return &part;
    return nullptr;
}

} // namespace lumbrix
