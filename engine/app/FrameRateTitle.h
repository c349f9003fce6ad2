// The frame-rate display in the window title: passes of the main loop per second of timer time, and the
// milliseconds per pass, rewritten once a second.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class FrameTimer;

// Loop passes since the title was last written.
extern int32_t FrameCount;
// The timer time, in seconds, up to which the title has been accounted for.
extern float TitleMark;

// "fps: 60.000000 mspf: 16.666666" for 60 passes.
std::wstring FrameRateText(int32_t passCount);

// Counts this pass and, once TitleMark lags a whole second behind the timer, writes the title. The mark
// moves by exactly one second per update, so after a stall the title is rewritten on each of the next
// passes until the mark has caught up.
void CountPassAndUpdateTitle(HWND window, const FrameTimer& timer);
