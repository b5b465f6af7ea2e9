#include "dialog_template.h"

#include "dialog_resources.h"

namespace {

ControlTemplate Control(ControlKind kind, int id, const char *caption, DialogRect rect) {
    return {id, kind, rect, caption};
}

ControlTemplate Control(ControlKind kind, int id, int picture, DialogRect rect) {
    return {id, kind, rect, "", picture};
}

#define TEMPLATE_CONTROL(kind, id, caption, x, y, width, height)                                   \
    Control(ControlKind::kind, id, caption, {x, y, width, height}),

// The template `id` from the macros that dialog_resources.h names with `PREFIX`.
// clang-format off
#define TEMPLATE(id, PREFIX)                                                                       \
    DialogTemplate{id, PREFIX##_CAPTION, PREFIX##_WIDTH, PREFIX##_HEIGHT, DIALOG_FONT_NAME,        \
                   DIALOG_FONT_POINTS, {PREFIX##_CONTROLS(TEMPLATE_CONTROL)}}
// clang-format on

struct StringEntry {
    int id;
    const char *text;
};

#define STRING_ENTRY(id, text) {id, text},

constexpr StringEntry kStrings[] = {STRING_TABLE(STRING_ENTRY)};

} // namespace

const DialogTemplate &ConverterDialogTemplate() {
    static const DialogTemplate dialog = TEMPLATE(IDD_CONVERTER_DIALOG, CONVERTER_DIALOG);
    return dialog;
}

const DialogTemplate &AboutDialogTemplate() {
    static const DialogTemplate dialog = TEMPLATE(IDD_ABOUTBOX, ABOUT_BOX);
    return dialog;
}

std::string StringResource(int id) {
    for (const StringEntry &entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}
