// Sampling one channel's keys at a time in ticks: the segment search and the blends of position, scaling
// and rotation keys.
#pragma once

#include "math/Vector.h"

#include <assimp/anim.h>
#include <assimp/quaternion.h>

#include <cstdint>

// The pair of keys a time falls between: keys Index and Index + 1, blended by Factor.
struct KeySegment {
  uint32_t Index = 0;
  float Factor = 0.0f;
};

// Needs at least two keys. The segment is the first whose end key is later than t; at or past the last
// key the first segment is used again. Factor is not clamped, so past the last key the blend extrapolates
// along the first segment. A segment of zero length gives factor 0 instead of a division by zero.
template <typename Key>
KeySegment FindKeySegment(float t, uint32_t count, const Key* keys) {
  uint32_t index = 0;
  for (uint32_t i = 0; i + 1 < count; ++i) {
    if (static_cast<float>(keys[i + 1].mTime) > t) {
      index = i;
      break;
    }
  }
  const float length = static_cast<float>(keys[index + 1].mTime - keys[index].mTime);
  const float factor = length != 0.0f ? (t - static_cast<float>(keys[index].mTime)) / length : 0.0f;
  return {index, factor};
}

// Position or scaling keys at time t; count is at least 1, and a single key is its value unchanged.
float3 InterpolateVector(float t, uint32_t count, const aiVectorKey* keys);

// The channel's rotation keys at time t (at least one), blended along the shorter arc and normalised by
// Assimp's own quaternion functions.
aiQuaternion InterpolateRotation(float t, const aiNodeAnim& channel);
