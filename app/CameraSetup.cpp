#include "render/Renderer.h"

void Renderer::SetupCamera() {
  // The near plane of 500 only lasts until the first resize sets the lens again with near 1; the loop's
  // first pass normally runs that resize.
  Camera.SetProjection(0.785f, static_cast<float>(Width) / static_cast<float>(Height), 500.0f, 1000.0f);
  // Four units behind the origin on -Z, looking at it along +Z.
  Camera.AimAt({0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  Camera.RebuildView();
}
