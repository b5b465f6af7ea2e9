// The dialog templates: every control's identifier, kind, place and caption, in tab order.
// Positions and sizes are in dialog units; each toolkit adapter converts them with the
// metrics of the template's font.
#pragma once

#include <string>
#include <vector>

enum class ControlKind {
    DropDownList,  // not sorted, tab stop
    EditBox,       // bordered, scrolls horizontally, tab stop
    PushButton,    // tab stop
    DefPushButton, // the default button, tab stop
    StaticText,
    GroupBox,
    IconPicture,   // shows the icon resource named by `image`
    BitmapPicture, // shows the bitmap resource named by `image`
};

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    DialogRect rect;
    std::string caption;
    int image = 0;
};

struct DialogTemplate {
    int id;
    std::string caption;
    int width;
    int height;
    std::string fontName;
    int pointSize;
    std::vector<ControlTemplate> controls;
};

const DialogTemplate &ConverterDialogTemplate();
const DialogTemplate &AboutDialogTemplate();
