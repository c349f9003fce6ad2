#include "viewer/ViewerCamera.h"

#include <algorithm>
#include <cmath>

namespace {

// The character's step, 0.5 units per frame, suits a model of about this radius.
constexpr float CharacterStepRadius = 10.0f;

// A tenth of margin so the outline does not touch the window's edge.
constexpr float Margin = 1.1f;

}  // namespace

ViewerFraming FrameBounds(const BoundingBox& bounds, float fieldOfViewY, float aspect) {
  float3 centre = {0.0f, 0.0f, 0.0f};
  float3 half = {0.0f, 0.0f, 0.0f};
  float radius = 0.0f;
  if (!bounds.Empty()) {
    centre = 0.5f * (bounds.Min + bounds.Max);
    half = 0.5f * (bounds.Max - bounds.Min);
    radius = std::sqrt(half.x * half.x + half.y * half.y + half.z * half.z);
  }
  if (!(radius > 0.0f) || !std::isfinite(radius)) {
    // Nothing to size by: a unit sphere, whose box is a cube of half side 1/sqrt(3).
    radius = 1.0f;
    half = {0.57735f, 0.57735f, 0.57735f};
  }
  const float tanY = std::tan(0.5f * fieldOfViewY);
  const float tanX = tanY * (aspect > 0.0f && std::isfinite(aspect) ? aspect : 1.0f);
  // The distance from the near face at which its height and its width both fit; a model thin across the
  // view (a rod seen end on) still keeps a twentieth of its radius in front of the camera.
  const float across = std::max({half.y / tanY, half.x / tanX, 0.05f * radius});
  const float distance = Margin * across + half.z;
  ViewerFraming framing;
  framing.Target = centre;
  framing.Eye = centre + float3{0.0f, 0.0f, -distance};
  // The depth buffer's precision follows far / near: a thousand keeps a model's own detail apart.
  framing.FarPlane = 4.0f * (distance + radius);
  framing.NearPlane = std::max(std::min(0.5f * (distance - half.z), framing.FarPlane / 1000.0f), 1e-6f);
  framing.MoveStepScale = radius / CharacterStepRadius;
  return framing;
}
