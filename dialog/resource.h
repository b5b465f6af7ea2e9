// Identifiers of the dialog program's resources, controls, commands and status panes.
// Plain macros, so that a resource compiler can read this header too; IDOK and IDC_STATIC
// repeat the platform headers' definitions token for token.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_CONVERTER_DIALOG 102

// Pictures and strings
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDB_LOGO 130

// Controls of the main dialog
#define IDC_INPUT_FILE 1000
#define IDC_OUTPUT_FILE 1001
#define IDC_BROWSE_INPUT 1002
#define IDC_BROWSE_OUTPUT 1003
#define IDC_CONVERT 1004
#define IDC_PART 1010
#define IDC_PROTOCOL 1014
#define IDC_STATIC (-1)

// Controls of the About box
#define IDOK 1
#define IDC_VERSION 1011
#define IDC_SUPPORT_PHONE 1012
#define IDC_SUPPORT_EMAIL 1013

// System command that opens the About box; the platform keeps the low four bits for itself.
#define IDM_ABOUTBOX 0x0010

// Status bar indicators, one per pane
#define ID_INDICATOR_PART 101
#define ID_INDICATOR_PROTOCOL 102
#define ID_INDICATOR_STATUS 103
#define ID_INDICATOR_SPARE 104
