#include "viewer/OrbitCamera.h"

#include <algorithm>
#include <cmath>

namespace {

// Just short of a quarter turn: at the pole itself the up axis and the view would line up.
constexpr float PitchLimit = 1.5533f;  // 89 degrees
constexpr float ShortestDistance = 1e-6f;

float Length(float3 v) { return std::sqrt(Dot3(v, v)); }

}  // namespace

Orbit OrbitThrough(float3 eye, float3 centre) {
  Orbit orbit;
  orbit.Centre = centre;
  const float3 look = centre - eye;
  orbit.Distance = std::max(Length(look), ShortestDistance);
  const float3 direction = (1.0f / orbit.Distance) * look;
  orbit.Yaw = std::atan2(direction.x, direction.z);
  orbit.Pitch = std::clamp(std::asin(std::clamp(-direction.y, -1.0f, 1.0f)), -PitchLimit, PitchLimit);
  return orbit;
}

float3 OrbitEye(const Orbit& orbit) {
  const float3 look = {std::cos(orbit.Pitch) * std::sin(orbit.Yaw), -std::sin(orbit.Pitch),
                       std::cos(orbit.Pitch) * std::cos(orbit.Yaw)};
  return orbit.Centre - orbit.Distance * look;
}

void TurnOrbit(Orbit& orbit, float yaw, float pitch) {
  orbit.Yaw += yaw;
  orbit.Pitch = std::clamp(orbit.Pitch + pitch, -PitchLimit, PitchLimit);
}

void ZoomOrbit(Orbit& orbit, float steps) {
  orbit.Distance = std::max(orbit.Distance * std::pow(0.9f, steps), ShortestDistance);
}

void PanOrbit(Orbit& orbit, float3 right, float3 up, float across, float upwards) {
  orbit.Centre = orbit.Centre + (across * orbit.Distance) * right + (upwards * orbit.Distance) * up;
}
