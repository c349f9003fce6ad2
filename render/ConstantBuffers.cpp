#include "render/Renderer.h"

// Filled in by the renderer work: the pass, per-object and bone constant buffers and their views.
void Renderer::CreateConstantBuffers() {}

// Filled in by the renderer work: rewrites the constants that changed since the last frame.
void Renderer::UpdateConstantBuffers() {}
