// Files dropped on a window: SDL reports a drop as SDL_DROPBEGIN, one SDL_DROPFILE per file and
// SDL_DROPCOMPLETE; Windows posts one WM_DROPFILES with all of them, which this gathers.
#pragma once

#include <SDL_events.h>

namespace win32 {

// Takes the event's file name (and frees it, as SDL asks of whoever handles the event).
void TranslateDropEvent(const SDL_DropEvent& event);

}  // namespace win32
