#pragma once
// Window timers: WM_TIMER (wParam = the timer's id) reaches the window's
// procedure through its thread's queue, after the posted messages, at most
// one per timer at a time; a late thread gets one tick, not a burst.
#include "platform/WindowTypes.h"

namespace win {

// Starts or restarts the timer `id` (not 0) of a live window; intervals
// below USER_TIMER_MINIMUM are raised to it. Returns `id`, or 0 on failure.
// Thread timers (a null window) are not offered.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT intervalMs);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

}  // namespace win
