// Waiting for a window of another thread or program to show, as both Win32 test programs do.
#pragma once

#include <windows.h>

// Wine on a busy machine can take many seconds to show a first window.
constexpr int kPatienceMs = 60000;
constexpr int kPollMs = 50;

// The top-level window with this caption, once it shows; null when none exists in time.
inline HWND WaitForWindow(const char *caption) {
    HWND window = nullptr;
    for (int waited = 0; waited < kPatienceMs && !IsWindowVisible(window); waited += kPollMs) {
        Sleep(kPollMs);
        window = FindWindowA(nullptr, caption);
    }
    return window;
}
