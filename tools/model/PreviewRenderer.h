#pragma once
// A small software rasteriser that draws the skinned model from a given camera, with the engine's
// projection (left-handed view, 45-degree vertical field of view) and its culling rule (clockwise
// triangles on screen are front faces, back faces are dropped), so the preview shows what the engine shows.

#include "PngImage.h"
#include "SkinnedModel.h"

#include <assimp/scene.h>

#include <vector>

struct PreviewCamera {
  aiVector3D Position;
  aiVector3D Right;
  aiVector3D Up;
  aiVector3D Look;
};

// The engine's start-up camera: at (0, 0, -4), looking along +Z at the origin.
PreviewCamera EngineCamera();
// Looking at the origin from the model's left side (+X), for checking depth and facing.
PreviewCamera SideCamera();

struct CullingStats {
  unsigned FacingCamera = 0;     // triangles whose normals face the camera
  unsigned FacingButCulled = 0;  // of those, triangles the engine's culling would drop
};

class PreviewRenderer {
 public:
  PreviewRenderer(unsigned width, unsigned height);

  // Light background with guide lines at y = -1.5, 0 and +1.5 and x = 0 in the plane z = 0.
  void Clear(const PreviewCamera& camera);
  void DrawModel(const SkinnedModel& model, const std::vector<aiMatrix4x4>& palette, const RgbaImage* texture,
                 const PreviewCamera& camera);

  const RgbaImage& Image() const { return Target; }
  const CullingStats& Culling() const { return Stats; }

 private:
  struct ScreenVertex {
    float X = 0, Y = 0, ViewZ = 0;
    aiVector3D Normal;
    aiVector2D TexCoord;
  };

  ScreenVertex Project(const aiVector3D& position, const PreviewCamera& camera) const;
  void DrawLine(const aiVector3D& from, const aiVector3D& to, const PreviewCamera& camera, const std::uint8_t* rgb);
  void DrawTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const RgbaImage* texture);
  void ShadePixel(unsigned x, unsigned y, const aiVector3D& normal, const aiVector2D& uv, const RgbaImage* texture);

  RgbaImage Target;
  std::vector<float> Depth;
  CullingStats Stats;
  float FocalY;  // cot(fovY / 2), as the engine's projection builds it
  float FocalX;
};
