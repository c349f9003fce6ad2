// The free-flying viewpoint: a position and an orthonormal right/up/look frame, from which the view matrix
// is rebuilt on demand, and a perspective lens. View space is left-handed: the camera looks along +Z.
#pragma once

#include "math/Matrix.h"
#include "math/Vector.h"

// A fresh camera stands at the origin looking along +Z with +Y up; its lens fields are zero and both
// matrices identity until SetProjection.
class Camera {
 public:
  // Stores the lens and rebuilds the projection matrix. The view is not touched.
  void SetProjection(float fovY, float aspect, float nearPlane, float farPlane);

  // Places the camera at position looking at target, with up as the world's up direction.
  void AimAt(float3 position, float3 target, float3 up);

  // Turns Up and Look about Right.
  void Pitch(float angle);

  // Turns the whole frame about the world Y axis, so the camera never rolls.
  void TurnAboutWorldY(float angle);

  // If the frame changed, re-orthonormalises it around Look and rebuilds ViewMatrix.
  void RebuildView();

  float3 Position = {0.0f, 0.0f, 0.0f};
  float3 Right = {1.0f, 0.0f, 0.0f};
  float3 Up = {0.0f, 1.0f, 0.0f};
  float3 Look = {0.0f, 0.0f, 1.0f};
  float NearPlane = 0.0f;
  float FarPlane = 0.0f;
  float AspectRatio = 0.0f;
  float FieldOfViewY = 0.0f;
  float NearPlaneHeight = 0.0f;  // height of the view window at the near plane
  float FarPlaneHeight = 0.0f;   // height of the view window at the far plane
  bool ViewStale = true;         // the frame changed since ViewMatrix was built
  float4x4 ViewMatrix = Identity();
  float4x4 ProjMatrix = Identity();
};
