// The start camera of viewer mode: whatever the size of the model a user brings, it starts whole in view.
#pragma once

#include "content/Model.h"
#include "math/Vector.h"

struct ViewerFraming {
  float3 Eye = {0.0f, 0.0f, -4.0f};
  float3 Target = {0.0f, 0.0f, 0.0f};
  float NearPlane = 1.0f;
  float FarPlane = 1000.0f;
  float MoveStepScale = 1.0f;  // of the character's step per frame
};

// Looks along +Z, as the character's camera does, at the centre of the box from where the sphere around it
// fits the vertical field of view (the narrower one for a window wider than tall). The planes keep the
// whole sphere between them with room to back away; steps are a twentieth of the sphere's radius. An
// empty or flat-to-a-point box frames a unit sphere at its centre (or at the origin).
ViewerFraming FrameBounds(const BoundingBox& bounds, float fieldOfViewY);
