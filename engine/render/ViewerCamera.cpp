#include "render/ViewerCamera.h"

#include <algorithm>
#include <cmath>

namespace {

// The character's step, 0.5 units per frame, suits a model of about this radius.
constexpr float CharacterStepRadius = 10.0f;

}  // namespace

ViewerFraming FrameBounds(const BoundingBox& bounds, float fieldOfViewY) {
  float3 centre = {0.0f, 0.0f, 0.0f};
  float radius = 1.0f;
  if (!bounds.Empty()) {
    centre = 0.5f * (bounds.Min + bounds.Max);
    const float3 half = 0.5f * (bounds.Max - bounds.Min);
    const float extent = std::sqrt(half.x * half.x + half.y * half.y + half.z * half.z);
    if (extent > 0.0f && std::isfinite(extent)) {
      radius = extent;
    }
  }
  // Ten per cent of margin so the outline does not touch the window's edge.
  const float distance = 1.1f * radius / std::sin(0.5f * fieldOfViewY);
  ViewerFraming framing;
  framing.Target = centre;
  framing.Eye = centre + float3{0.0f, 0.0f, -distance};
  // The depth buffer's precision follows far / near: a thousand keeps a model's own detail apart.
  framing.FarPlane = 4.0f * (distance + radius);
  framing.NearPlane = std::max(std::min(0.5f * (distance - radius), framing.FarPlane / 1000.0f), 1e-6f);
  framing.MoveStepScale = radius / CharacterStepRadius;
  return framing;
}
