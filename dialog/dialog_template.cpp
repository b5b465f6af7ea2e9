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

struct StringEntry {
    int id;
    const char *text;
};

#define STRING_ENTRY(id, text) {id, text},

constexpr StringEntry kStrings[] = {STRING_TABLE(STRING_ENTRY)};

} // namespace

const DialogTemplate &ConverterDialogTemplate() {
    static const DialogTemplate dialog{
        IDD_CONVERTER_DIALOG,
        CONVERTER_DIALOG_CAPTION,
        CONVERTER_DIALOG_WIDTH,
        CONVERTER_DIALOG_HEIGHT,
        DIALOG_FONT_NAME,
        DIALOG_FONT_POINTS,
        {CONVERTER_DIALOG_CONTROLS(TEMPLATE_CONTROL)},
    };
    return dialog;
}

const DialogTemplate &AboutDialogTemplate() {
    static const DialogTemplate dialog{
        IDD_ABOUTBOX,
        ABOUT_BOX_CAPTION,
        ABOUT_BOX_WIDTH,
        ABOUT_BOX_HEIGHT,
        DIALOG_FONT_NAME,
        DIALOG_FONT_POINTS,
        {ABOUT_BOX_CONTROLS(TEMPLATE_CONTROL)},
    };
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
