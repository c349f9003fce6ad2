#include "anim/ModelBounds.h"

#include "anim/Animation.h"
#include "anim/SkeletonWalkBuilder.h"
#include "content/ModelLoader.h"

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double DefaultTicksPerSecond = 25.0;

// Where the column-vector matrix takes the point.
float3 Transformed(const float4x4& m, float3 p) {
  return {m.m[0][0] * p.x + m.m[0][1] * p.y + m.m[0][2] * p.z + m.m[0][3],
          m.m[1][0] * p.x + m.m[1][1] * p.y + m.m[1][2] * p.z + m.m[1][3],
          m.m[2][0] * p.x + m.m[2][1] * p.y + m.m[2][2] * p.z + m.m[2][3]};
}

void AddPosedBox(const BoundingBox& box, const float4x4& skin, BoundingBox& bounds) {
  if (box.Empty()) {
    return;
  }
  for (int corner = 0; corner < 8; ++corner) {
    const float3 p = {(corner & 1) != 0 ? box.Max.x : box.Min.x, (corner & 2) != 0 ? box.Max.y : box.Min.y,
                      (corner & 4) != 0 ? box.Max.z : box.Min.z};
    bounds.Add(Transformed(skin, p));
  }
}

}  // namespace

BoundingBox PlacedBox(const BoundingBox& box, const float4x4& placement) {
  BoundingBox placed;
  AddPosedBox(box, placement, placed);
  return placed;
}

BoundingBox AnimatedBounds(Model& model, int samples) {
  BoundingBox bounds = model.BindBounds;
  if (model.Scene == nullptr) {
    return bounds;
  }
  if (model.Walk.Scene != model.Scene) {
    BuildSkeletonWalk(model);
  }
  const std::vector<uint32_t>& rigidNodes = model.Walk.AnimatedSubmeshNodes;
  const bool rigidMeshesMove =
      std::any_of(rigidNodes.begin(), rigidNodes.end(), [](uint32_t node) { return node != SkeletonWalk::NoNode; });
  if (model.BoneCount == 0 && !rigidMeshesMove) {
    return bounds;
  }
  const aiAnimation* animation = PlayedAnimation(model);
  double loopSeconds = 0.0;
  if (animation != nullptr && animation->mDuration > 0.0) {
    const double ticksPerSecond =
        animation->mTicksPerSecond != 0.0 ? animation->mTicksPerSecond : DefaultTicksPerSecond;
    loopSeconds = animation->mDuration / ticksPerSecond;
  }
  // Without an animation the one sample is the bind pose as the skeleton composes it.
  const int count = loopSeconds > 0.0 && std::isfinite(loopSeconds) ? samples : 1;
  std::vector<float4x4> palette;
  for (int i = 0; i < count; ++i) {
    UpdateAnimation(model, TimerAtPreviousFrame(loopSeconds * i / count), palette);
    for (size_t bone = 0; bone < model.BoneBounds.size() && bone < model.BoneInfos.size(); ++bone) {
      AddPosedBox(model.BoneBounds[bone], model.BoneInfos[bone].SkinMatrix, bounds);
    }
    for (size_t k = 0; k < rigidNodes.size() && k < model.Submeshes.size(); ++k) {
      if (rigidNodes[k] != SkeletonWalk::NoNode) {
        AddPosedBox(model.Submeshes[k].LocalBounds, PosedNodePlacement(model, rigidNodes[k]), bounds);
      }
    }
  }
  return bounds;
}
