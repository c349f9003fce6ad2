// Viewer mode started the way Run starts it, for the scaling benchmark, its fresh-process child and its
// test: the window, the Renderer's start-up on a model file, the first frame and the first resize.
#pragma once

#include "core/FrameTimer.h"

#include <string>

class ModelViewer;
class Renderer;

struct ViewerSession {
  Renderer* renderer = nullptr;
  ModelViewer* scene = nullptr;  // what the renderer draws; ends after it
  FrameTimer timer;
};

// Through the first frame and the first resize. Throws what the Renderer throws (a FatalError).
ViewerSession StartViewer(const std::string& model);

// One frame as the main loop runs it.
void RunViewerFrame(ViewerSession& viewer);

// Waits for the GPU, closes the window and ends the Renderer, as the program does when its window closes.
void StopViewer(ViewerSession& viewer);
