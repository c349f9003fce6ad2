#include "render/Renderer.h"

#include <windows.h>

namespace {

// World units per frame. Movement is not scaled by the frame time: it follows the frame rate.
constexpr float MoveStep = 0.5f;

// GetAsyncKeyState is negative while the key is down at this moment.
bool IsKeyDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

// Down now, or pressed since the previous query: a tap between two frames still counts once.
bool WasKeyPressed(int virtualKey) { return GetAsyncKeyState(virtualKey) != 0; }

}  // namespace

void Renderer::HandleMovementKeys() {
  const auto move = [this](float3 step) {
    Camera.Position = Camera.Position + step;
    Camera.ViewStale = true;
    CameraChanged = true;
  };
  if (IsKeyDown('W')) move(MoveStep * Camera.Look);
  if (IsKeyDown('S')) move(-MoveStep * Camera.Look);
  if (IsKeyDown('A')) move(-MoveStep * Camera.Right);
  if (IsKeyDown('D')) move(MoveStep * Camera.Right);
}

void Renderer::HandleModelTurnKey() {
  if (!WasKeyPressed('U')) {
    return;
  }
  // In the row-vector convention: move 0.1 along the mesh's own x, turn 0.001 radians about its own z,
  // then place it by its previous world matrix. Held down, this walks the model around a circle.
  const float4x4 step = Multiply(Translation(0.1f, 0.0f, 0.0f), RotationZ(0.001f));
  for (Mesh& mesh : Meshes) {
    mesh.World = Multiply(step, mesh.World);
    mesh.Dirty = true;
  }
}
