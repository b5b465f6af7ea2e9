#include "flash.h"

#include "lumbrix/parts.h"
#include "record_batch.h"

namespace lumbrix {

// Keep the part of a record that lies inside [FLASH_FIRST, last]; every byte keeps its address.
static int sink_flash(const uint8_t *bytes, uint32_t address, uint32_t length, uint32_t last) {
    if (length == 0)
        return 0;
    uint32_t clipped[2];
    // A record that runs past 0xFFFFFFFF wraps to a range that ends below its start and
    // therefore meets no window.
    if (range_overlap(FLASH_FIRST, last, address, address + length - 1, clipped))
        record_batch_add(bytes + (clipped[0] - address), clipped[0], clipped[1]);
    return 0;
}

int sink_flash_30k(const uint8_t *bytes, uint32_t address, uint32_t length) {
    return sink_flash(bytes, address, length, FLASH_LAST_30K);
}

int sink_flash_94k(const uint8_t *bytes, uint32_t address, uint32_t length) {
    return sink_flash(bytes, address, length, FLASH_LAST_94K);
}

// A sink is handed no context, so each window has a sink of its own.
struct WindowSink {
    uint32_t flash_last;
    DataSink sink;
};

constexpr WindowSink WINDOW_SINKS[] = {
    {FLASH_LAST_30K, sink_flash_30k},
    {FLASH_LAST_94K, sink_flash_94k},
};

DataSink sink_for_part(int part_code) {
    const Part *part = part_by_code(part_code);
    if (part)
        for (const WindowSink &window : WINDOW_SINKS)
            if (window.flash_last == part->flash_last)
                return window.sink;
    return nullptr;
}

} // namespace lumbrix
