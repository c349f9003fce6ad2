// Test hooks of the Win32 layer: drive windows and the clock the way the window system would, so that
// message flow, key state and timing can be checked deterministically. Not part of the Win32 API; only
// tests include it.
//
// Input is built as the SDL events the window system would deliver and goes through the same translation
// as real events: it reaches the window's queue as Win32 messages (WM_KEYDOWN, WM_MOUSEMOVE, WM_SIZE, ...)
// and updates the key state that GetAsyncKeyState reports. As on Windows, a mouse move or a size change
// still waiting in the queue is replaced by the next one of the same kind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

union SDL_Event;

namespace win32_test {

// Keyboard. `virtualKey` is a Windows virtual-key code ('A', '1', VK_SHIFT, VK_RETURN, VK_OEM_2, ...);
// VK_SHIFT, VK_CONTROL and VK_MENU stand for the left-hand key.
void PressKey(HWND window, int virtualKey, bool autoRepeat = false);
void ReleaseKey(HWND window, int virtualKey);

// Mouse, in client coordinates (negative or beyond the client size while the mouse is captured outside).
enum class MouseButton { Left, Right, Middle };
void MoveMouse(HWND window, int x, int y);
void PressMouseButton(HWND window, int x, int y, MouseButton button = MouseButton::Left);
void ReleaseMouseButton(HWND window, int x, int y, MouseButton button = MouseButton::Left);

// Files dropped from a file manager (UTF-8 paths), as SDL reports one drop.
void DropFiles(HWND window, const std::vector<std::string>& files);

// Window-manager requests: the close button, a new client size, minimise, maximise and restore.
void RequestClose(HWND window);
void ResizeClientArea(HWND window, int width, int height);
void Minimize(HWND window);
void Maximize(HWND window);
void Restore(HWND window);

// Any other SDL event, addressed to `window` (its window id is filled in).
void InjectEvent(HWND window, const SDL_Event& event);

// The title as the window system shows it.
std::wstring WindowTitle(HWND window);

// The performance counter: a manual clock that only moves when told to, and back to the real one.
void UseManualClock(int64_t startTicks = 0);
void SetClockTicks(int64_t ticks);
void AdvanceClockTicks(int64_t ticks);
void UseRealClock();

// Back to a clean state between tests: windows and window classes are removed without messages, the
// queue and the quit request are emptied, every key is up, and the real clock is back.
void Reset();

}  // namespace win32_test
