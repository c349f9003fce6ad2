#include "render/Renderer.h"

// Filled in by the renderer work: device, queue, swap chain, descriptor heaps, depth buffer, textures.
void Renderer::InitDirect3D() {}
