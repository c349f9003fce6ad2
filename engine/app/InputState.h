// The process-wide values through which the window procedure hands input to the main loop. The window
// procedure runs inside message dispatch on the loop's own thread, so these are plain values: each event
// is picked up by the steps that follow the dispatch in the same loop pass.
#pragma once

#include "text/TypedKey.h"

#include <cstdint>

class ModelViewer;
class Renderer;

// The Renderer whose camera, mouse position and text box the mouse messages change; null until start-up
// has finished, and mouse messages are ignored while it is.
extern Renderer* ActiveRenderer;

// Viewer mode's scene, which takes the mouse drags, the wheel and its keys; null in the default run.
extern ModelViewer* ActiveViewer;

extern TypedKeyRecord TypedKey;

// A new client size waiting for the loop to resize the swap chain.
extern bool ResizePending;
extern int32_t PendingWidth;
extern int32_t PendingHeight;

// The user is dragging the window or its frame: sizes are only recorded until the drag ends, so the
// expensive resize runs once per drag.
extern bool InSizeMove;
