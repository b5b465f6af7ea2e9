#include "dialog_template.h"

#include "about_dialog.h"
#include "resource.h"

const DialogTemplate &ConverterDialogTemplate() {
    using enum ControlKind;
    static const DialogTemplate dialog{
        IDD_CONVERTER_DIALOG,
        "LumbrixW",
        315,
        140,
        "Tahoma",
        8,
        {
            {IDC_PART, DropDownList, {58, 16, 89, 86}, ""},
            {IDC_INPUT_FILE, EditBox, {13, 60, 250, 13}, ""},
            {IDC_BROWSE_INPUT, PushButton, {264, 60, 38, 13}, "Browse..."},
            {IDC_OUTPUT_FILE, EditBox, {13, 89, 250, 13}, ""},
            {IDC_BROWSE_OUTPUT, PushButton, {264, 89, 38, 13}, "Browse..."},
            {IDC_CONVERT, PushButton, {127, 110, 62, 18}, "Convert"},
            {IDC_STATIC, StaticText, {14, 50, 86, 8}, "Open file to be converted:"},
            {IDC_STATIC, StaticText, {14, 78, 76, 8}, "Save generated file as:"},
            {IDC_STATIC, GroupBox, {7, 38, 301, 69}, "Input/Output Files"},
            {IDC_STATIC, GroupBox, {7, 7, 301, 27}, "Part"},
            {IDC_STATIC, StaticText, {14, 18, 38, 8}, "Select part:"},
            {IDC_STATIC, StaticText, {173, 18, 51, 8}, "Select protocol:"},
            {IDC_PROTOCOL, DropDownList, {229, 16, 71, 43}, ""},
        },
    };
    return dialog;
}

const DialogTemplate &AboutDialogTemplate() {
    using enum ControlKind;
    static const DialogTemplate dialog{
        IDD_ABOUTBOX,
        "Information",
        198,
        140,
        "Tahoma",
        8,
        {
            {IDC_STATIC, IconPicture, {7, 22, 20, 20}, "", IDR_MAINFRAME},
            {IDC_STATIC, StaticText, {35, 14, 114, 8}, AboutDialog::kProductName},
            {IDC_STATIC, StaticText, {109, 124, 81, 8}, AboutDialog::kLegalNotice},
            {IDOK, DefPushButton, {138, 23, 53, 16}, "OK"},
            {IDC_STATIC, GroupBox, {7, 56, 184, 35}, "Contact Details"},
            {IDC_STATIC, StaticText, {17, 67, 60, 8}, "Technical Support:"},
            {IDC_STATIC, StaticText, {17, 78, 20, 8}, "Email:"},
            {IDC_VERSION, StaticText, {35, 27, 43, 8}, "Version 3.0.3"},
            {IDC_SUPPORT_PHONE, StaticText, {91, 67, 68, 8}, AboutDialog::kSupportPhone},
            {IDC_SUPPORT_EMAIL, StaticText, {91, 78, 90, 8}, AboutDialog::kSupportEmail},
            {IDC_STATIC, BitmapPicture, {8, 94, 111, 32}, "", IDB_LOGO},
            {IDC_STATIC, StaticText, {35, 40, 132, 8}, AboutDialog::kSubtitle},
        },
    };
    return dialog;
}
