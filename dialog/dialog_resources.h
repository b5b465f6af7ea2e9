// The dialog program's templates and texts, each written once. The resource script expands
// these lists into Win32 resources; dialog_template.cpp expands the same lists for toolkits
// that build their windows themselves. Plain macros only: the resource compiler's
// preprocessor reads this header too.
#pragma once

#include "resource.h"

#include <lumbrix/product.h>

// The product as the About box and the version block name it.
#define PRODUCT_NAME "Lumbrix Download Converter"
// The program's short name: the main dialog's caption, and the About entry names it.
#define PROGRAM_TITLE "LumbrixW"
#define PRODUCT_SUBTITLE "Tarvic551X flash programming via LIN"
// PRODUCT_VERSION(FORM) hands the product's major, minor and patch number to FORM, which
// spells them. APPLY_VERSION expands the numbers first, so that FORM may stringize them.
#define PRODUCT_VERSION(FORM)                                                                      \
    APPLY_VERSION(FORM, LUMBRIX_VERSION_MAJOR, LUMBRIX_VERSION_MINOR, LUMBRIX_VERSION_PATCH)
#define APPLY_VERSION(FORM, major, minor, patch) FORM(major, minor, patch)
#define VERSION_LINE(major, minor, patch) "Version " #major "." #minor "." #patch
#define LEGAL_NOTICE "© 2008 Korvane, Inc."
#define SUPPORT_PHONE "+1 555 0134 2210"

// The string table: STRING(identifier, text).
#define STRING_TABLE(STRING) STRING(IDS_ABOUTBOX, "&About " PROGRAM_TITLE "...")

#define DIALOG_FONT_POINTS 8
#define DIALOG_FONT_NAME "Tahoma"

// Each dialog's caption and size in dialog units, then its controls in template order, which
// is also the tab order: CONTROL(kind, identifier, caption, x, y, width, height). A picture's
// caption is the number of the icon or bitmap that it shows.
#define CONVERTER_DIALOG_CAPTION PROGRAM_TITLE
#define CONVERTER_DIALOG_WIDTH 315
#define CONVERTER_DIALOG_HEIGHT 140
#define CONVERTER_DIALOG_CONTROLS(CONTROL)                                                         \
    CONTROL(DropDownList, IDC_PART, "", 58, 16, 89, 86)                                            \
    CONTROL(EditBox, IDC_INPUT_FILE, "", 13, 60, 250, 13)                                          \
    CONTROL(PushButton, IDC_BROWSE_INPUT, "Browse...", 264, 60, 38, 13)                            \
    CONTROL(EditBox, IDC_OUTPUT_FILE, "", 13, 89, 250, 13)                                         \
    CONTROL(PushButton, IDC_BROWSE_OUTPUT, "Browse...", 264, 89, 38, 13)                           \
    CONTROL(PushButton, IDC_CONVERT, "Convert", 127, 110, 62, 18)                                  \
    CONTROL(StaticText, IDC_STATIC, "Open file to be converted:", 14, 50, 86, 8)                   \
    CONTROL(StaticText, IDC_STATIC, "Save generated file as:", 14, 78, 76, 8)                      \
    CONTROL(GroupBox, IDC_STATIC, "Input/Output Files", 7, 38, 301, 69)                            \
    CONTROL(GroupBox, IDC_STATIC, "Part", 7, 7, 301, 27)                                           \
    CONTROL(StaticText, IDC_STATIC, "Select part:", 14, 18, 38, 8)                                 \
    CONTROL(StaticText, IDC_STATIC, "Select protocol:", 173, 18, 51, 8)                            \
    CONTROL(DropDownList, IDC_PROTOCOL, "", 229, 16, 71, 43)

#define ABOUT_BOX_CAPTION "Information"
#define ABOUT_BOX_WIDTH 198
#define ABOUT_BOX_HEIGHT 140
#define ABOUT_BOX_CONTROLS(CONTROL)                                                                \
    CONTROL(IconPicture, IDC_STATIC, IDR_MAINFRAME, 7, 22, 20, 20)                                 \
    CONTROL(PlainText, IDC_STATIC, PRODUCT_NAME, 35, 14, 114, 8)                                   \
    CONTROL(StaticText, IDC_STATIC, LEGAL_NOTICE, 109, 124, 81, 8)                                 \
    CONTROL(DefPushButton, IDOK, "OK", 138, 23, 53, 16)                                            \
    CONTROL(GroupBox, IDC_STATIC, "Contact Details", 7, 56, 184, 35)                               \
    CONTROL(StaticText, IDC_STATIC, "Technical Support:", 17, 67, 60, 8)                           \
    CONTROL(StaticText, IDC_STATIC, "Email:", 17, 78, 20, 8)                                       \
    CONTROL(PlainText, IDC_VERSION, PRODUCT_VERSION(VERSION_LINE), 35, 27, 43, 8)                  \
    CONTROL(StaticText, IDC_SUPPORT_PHONE, SUPPORT_PHONE, 91, 67, 68, 8)                           \
    CONTROL(StaticText, IDC_SUPPORT_EMAIL, LUMBRIX_SUPPORT_EMAIL, 91, 78, 90, 8)                   \
    CONTROL(BitmapPicture, IDC_STATIC, IDB_LOGO, 8, 94, 111, 32)                                   \
    CONTROL(StaticText, IDC_STATIC, PRODUCT_SUBTITLE, 35, 40, 132, 8)
