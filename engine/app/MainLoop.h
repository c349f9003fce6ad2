// The main loop: each pass either dispatches one window message or, when the queue is empty, runs one
// frame; then it hands on the input the window procedure left behind and keeps the title up to date.
#pragma once

#include <windows.h>

class FrameTimer;
class Renderer;

// Runs passes until the quit message arrives.
void RunMainLoop(HWND window, Renderer& renderer, FrameTimer& timer, MSG& message);

// One pass. Returns false when it took the quit message; that pass ends there, before the typed-key,
// resize and title steps.
bool RunOnePass(HWND window, Renderer& renderer, FrameTimer& timer, MSG& message);

// The steps of a pass, in order.
bool DispatchOneMessage(MSG& message);
void RunFrame(Renderer& renderer, FrameTimer& timer);
void DeliverTypedKey(Renderer& renderer);
void ApplyPendingResize(Renderer& renderer);
