// Turns window-system events into what Windows would produce for them: messages in the queue (key,
// mouse, size and close messages) and key-state changes for GetAsyncKeyState.
//
// X11 tells nothing about the start and end of a drag of the window frame, so there is no
// WM_ENTERSIZEMOVE / WM_EXITSIZEMOVE bracket: every size change arrives as a plain WM_SIZE, which a
// window procedure treats like a maximise or any other immediate resize. A WM_SIZE still queued is
// replaced by the next one, so a fast drag costs one resize per message-loop pass at most.
#pragma once

#include <SDL_events.h>

namespace win32 {

void TranslateWindowSystemEvent(const SDL_Event& event);

// Takes in everything the window system has reported since the last call, and turns termination
// signals into close requests. Never blocks.
void PumpWindowSystem();

}  // namespace win32
