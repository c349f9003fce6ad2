#include "render/Renderer.h"

// Filled in by the content work: pipelines, the text box and the character mesh.
void Renderer::LoadContent() {}
