// The dialog templates and strings of dialog_resources.h, as data for toolkits that build
// their windows themselves. Positions and sizes are in dialog units; each toolkit adapter
// converts them with the metrics of the template's font.
#pragma once

#include <string>
#include <vector>

enum class ControlKind {
    DropDownList,  // not sorted, tab stop
    EditBox,       // bordered, scrolls horizontally, tab stop
    PushButton,    // tab stop
    DefPushButton, // the default button, tab stop
    StaticText,
    PlainText, // static text that shows an ampersand as it is
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

// The string resource `id`; empty when there is none.
std::string StringResource(int id);
