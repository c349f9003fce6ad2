// What a layer above the Renderer puts in place of the character: the content it loads, the camera it
// starts with, the pose of every frame and the pass that draws its meshes. The Renderer holds at most one;
// without one it draws the character exactly as it always has.
#pragma once

#include "core/FrameTimer.h"

class FrameRecorder;
class Renderer;

class SceneDriver {
 public:
  virtual ~SceneDriver() = default;

  // Called by LoadContent after the pipelines are built: appends the scene's meshes to Meshes and its
  // textures to Textures (their views are written afterwards).
  virtual void LoadScene(Renderer& renderer) = 0;

  // Called by SetupCamera: the start camera, the lens planes and the movement step.
  virtual void SetupCamera(Renderer& renderer) = 0;

  // Called once a frame after the input handlers: poses the meshes and fills the bone palette.
  virtual void Animate(Renderer& renderer, const FrameTimer& timer) = 0;

  // Records the scene's draws after the text box, in place of the character's mesh pass.
  virtual void RecordMeshes(FrameRecorder& recorder) = 0;
};
