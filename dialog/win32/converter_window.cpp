#include "converter_window.h"

#include "converter_dialog.h"
#include "message_map.h"
#include "resource.h"
#include "win32_dialog_view.h"

#include <optional>

namespace {

// Everything the dialog procedure needs, kept in the window's user data while it exists.
struct ConverterWindow {
    HINSTANCE instance;
    SettingsStore &settings;
    HICON icon;
    std::optional<Win32DialogView> view;
    std::optional<ConverterDialog> dialog;
};

// What the dialog procedure returns for a message the logic has handled: FALSE when the
// platform's own processing is to follow, TRUE when the message ends there.
INT_PTR ProcedureResult(bool platformProcessingFollows) {
    return platformProcessingFollows ? FALSE : TRUE;
}

std::optional<Notification> NotificationOf(int code) {
    switch (code) {
    case BN_CLICKED:
        return Notification::Clicked;
    case EN_CHANGE:
        return Notification::TextChanged;
    case CBN_SELCHANGE:
        return Notification::SelectionChanged;
    }
    return std::nullopt;
}

INT_PTR OnCommand(HWND hwnd, ConverterWindow &window, int id, int code) {
    // Enter (there is no default button) and Escape end the dialog without saving.
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(hwnd, id);
        return TRUE;
    }
    std::optional<Notification> notification = NotificationOf(code);
    return notification && RouteNotification(*window.dialog, id, *notification);
}

// Minimised, the window shows its icon centred; otherwise the dialog paints as usual.
INT_PTR OnPaint(HWND hwnd, HICON icon) {
    if (!IsIconic(hwnd))
        return FALSE;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(hwnd, &paint);
    return TRUE;
}

INT_PTR OnInitDialog(HWND hwnd, ConverterWindow &window) {
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(&window));
    window.view.emplace(window.instance, hwnd);
    window.dialog.emplace(*window.view, window.settings);
    CentreWindow(hwnd);
    return window.dialog->OnInitDialog();
}

INT_PTR CALLBACK ConverterDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(hwnd, *reinterpret_cast<ConverterWindow *>(lParam));
    auto *window = reinterpret_cast<ConverterWindow *>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!window)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(hwnd, *window, LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return ProcedureResult(window->dialog->OnSysCommand(wParam));
    case WM_CLOSE:
        return ProcedureResult(window->dialog->OnClose());
    case WM_PAINT:
        return OnPaint(hwnd, window->icon);
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(window->icon);
    }
    return FALSE;
}

} // namespace

void RunConverterDialog(HINSTANCE instance, SettingsStore &settings) {
    ConverterWindow window{instance, settings, LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)),
                           std::nullopt, std::nullopt};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONVERTER_DIALOG), nullptr, ConverterDialogProc,
                    reinterpret_cast<LPARAM>(&window));
}
