#include "render/Renderer.h"

// Filled in by the renderer work: back buffers, depth buffer, projection and text box for the new size.
void Renderer::OnResize() {}
