// Viewer mode: a model file drawn in place of the character, as its author made it. It loads the model
// with the viewer's vertex choices and a texture and look per material, places it by its root node, frames
// it with the start camera, poses it every frame (skeleton, animated nodes, morph targets) and draws it
// with the viewer's pipelines: opaque and masked items first, then blended ones back to front.
#pragma once

#include "content/Model.h"
#include "render/SceneDriver.h"
#include "viewer/MorphTargets.h"
#include "viewer/OrbitCamera.h"
#include "viewer/ViewerMaterials.h"
#include "viewer/ViewerPipelines.h"

#include <windows.h>

#include <string>
#include <vector>

struct Mesh;

class ModelViewer : public SceneDriver {
 public:
  // The path as the user named it, already made absolute and normal (see ModelArgument).
  explicit ModelViewer(std::string modelPath);

  void LoadScene(Renderer& renderer) override;
  void SetupCamera(Renderer& renderer) override;
  void Animate(Renderer& renderer, const FrameTimer& timer) override;
  void RecordMeshes(FrameRecorder& recorder) override;

  // The viewer's mouse and keys, from the window procedure. A drag moves the cursor by (dx, dy) client
  // pixels with the buttons held (MK_ flags): the left button turns the camera about the orbit's centre,
  // the right or middle one pans; the wheel zooms by notches (positive: closer).
  void OnMouseDrag(Renderer& renderer, WPARAM buttons, float dx, float dy);
  void OnWheel(Renderer& renderer, float notches);
  // R and Home return to the start view, Space pauses and resumes the animation, N and P step to the next
  // and previous animation of the file (naming it on the console); false for other keys.
  bool OnKey(Renderer& renderer, WPARAM virtualKey);
  bool Paused() const { return paused_; }

  const std::string& ModelPath() const { return modelPath_; }
  // The model's extent in the world over its bind pose and first animation, root placement applied.
  const BoundingBox& Bounds() const { return bounds_; }
  const std::vector<MaterialLook>& Materials() const { return materials_; }

 private:
  // Plays the animation `step` places after (or before) the current one, from its start.
  void StepAnimation(Renderer& renderer, int step);
  // The model's summary in the text box, which is made as small as its text.
  void ShowSummary(Renderer& renderer);
  // Aims the camera from the orbit's eye at its centre.
  void ApplyOrbit(Renderer& renderer, const Orbit& orbit);
  void RecordItems(FrameRecorder& recorder, const Renderer& renderer, const Mesh& mesh, bool blended);

  std::string modelPath_;
  Renderer* renderer_ = nullptr;  // the one that loaded the scene
  std::vector<MaterialLook> materials_;
  ViewerPipelines pipelines_;
  MorphTargets morphs_;
  BoundingBox bounds_;
  float3 orbitCentre_ = {0.0f, 0.0f, 0.0f};
  bool paused_ = false;
  double clockSeconds_ = 0.0;      // animation time, which stands still while paused
  double lastFrameSeconds_ = 0.0;  // the timer's previous frame at the latest Animate
};

// The played animation: "animation "Run" of 1.20 s (2 of 3)", or "no animation".
std::string DescribeAnimation(const Model& model);

// The text box's three lines: the file name; draw items, triangles and bones; the played animation.
std::string ModelSummary(const std::string& path, const Mesh& mesh);

// "Viewing hero.glb: 3 meshes, 40 bones, animation "Walk" of 2.50 s", or "no animation".
std::string DescribeViewedModel(const std::string& path, const Model& model);
