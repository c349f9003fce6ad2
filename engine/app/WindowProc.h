// The window procedure of the class "d3d": turns the few messages the engine cares about into input for
// the main loop (InputState.h) and, for the mouse, into camera turns and the text box focus.
#pragma once

#include <windows.h>

class TextLabel;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when the client point lies on the label's rectangle, edges included.
bool LabelContainsPoint(const TextLabel& label, float x, float y);
