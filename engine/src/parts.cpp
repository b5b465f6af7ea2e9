#include "lumbrix/parts.h"

namespace lumbrix {

const Part *part_by_code(int code) {
    for (const Part &part : PARTS)
        if (part.code == code)
            return &part;
    return nullptr;
}

const Part *part_by_console_number(int number) {
    for (const Part &part : PARTS)
        if (part.console_number == number)
            return &part;
    return nullptr;
}

} // namespace lumbrix
