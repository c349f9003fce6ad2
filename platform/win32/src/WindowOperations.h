// Window operations shared by the API entry points, the input translation and the test hooks.
#pragma once

#include "WindowTable.h"

#include <optional>

namespace win32 {

// Runs the window's procedure on the calling thread; 0 when the window does not exist.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The WM_SIZE report due for the window, if its placement or client size changed since the procedure
// was last told; recorded as told.
std::optional<SizeReport> TakeNewSizeReport(HWND window);

// Sends the due WM_SIZE straight to the window procedure (window calls that size the window).
void SendSizeReportIfDue(HWND window);

// Stores the title and shows it in the window system.
void StoreWindowTitle(HWND window, LPCWSTR title);

// Removes the window and its SDL window, and drops its queued messages. Sends nothing.
void ReleaseWindow(HWND window);

// Marks the window as needing paint (shown, resized or exposed).
void InvalidateWindow(HWND window);

// WM_PAINT for the first shown window that needs paint (of `filter`, when not null), as a message loop
// receives it once nothing else waits.
std::optional<MSG> PaintMessage(HWND filter);

}  // namespace win32
