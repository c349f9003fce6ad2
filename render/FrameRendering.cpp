#include "render/Renderer.h"

// Filled in by the renderer work: records, submits and presents one frame, then waits for the GPU.
void Renderer::DrawFrame() {}
