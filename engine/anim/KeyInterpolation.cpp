#include "anim/KeyInterpolation.h"

#include "content/AssimpConversions.h"

float3 InterpolateVector(float t, uint32_t count, const aiVectorKey* keys) {
  if (count == 1) {
    return FromAssimp(keys[0].mValue);
  }
  const KeySegment segment = FindKeySegment(t, count, keys);
  const float3 start = FromAssimp(keys[segment.Index].mValue);
  const float3 end = FromAssimp(keys[segment.Index + 1].mValue);
  return start + segment.Factor * (end - start);
}

aiQuaternion InterpolateRotation(float t, const aiNodeAnim& channel) {
  const aiQuatKey* keys = channel.mRotationKeys;
  if (channel.mNumRotationKeys == 1) {
    return keys[0].mValue;
  }
  const KeySegment segment = FindKeySegment(t, channel.mNumRotationKeys, keys);
  aiQuaternion blend;
  aiQuaternion::Interpolate(blend, keys[segment.Index].mValue, keys[segment.Index + 1].mValue, segment.Factor);
  return blend.Normalize();
}
