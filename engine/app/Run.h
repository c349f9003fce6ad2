// The whole run of the program: start-up, the main loop until the window is closed, shut-down.
#pragma once

#include <windows.h>

#include <string>

// Always returns 0; no start-up step is checked, and each failure is reported where it happens.
int Run(HINSTANCE instance);

// The same with a model file to view instead of the character (an absolute path; empty for the character).
int Run(HINSTANCE instance, const std::string& modelPath);

// Registers the window class "d3d" and creates and shows the window "d3dWin" with an 800 x 600 client
// area. The window procedure already receives the client size here, so a resize is pending before the
// main loop starts.
HWND CreateMainWindow(HINSTANCE instance);
