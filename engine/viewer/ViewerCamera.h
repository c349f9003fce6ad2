// The start camera of viewer mode: whatever the size and shape of the model a user brings, it starts whole
// in view and large.
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

// Looks along +Z, as the character's camera does, at the centre of the box, from just far enough that
// the box's near face fits the view's height and width with a tenth to spare: the box fills nearly all of
// the narrower direction. The planes keep the whole box between them with room to back away; steps are a
// twentieth of the radius of the sphere around the box. An empty or flat-to-a-point box frames a unit
// sphere at its centre (or at the origin).
ViewerFraming FrameBounds(const BoundingBox& bounds, float fieldOfViewY, float aspect);
