#include "anim/Animation.h"

#include "anim/KeyInterpolation.h"
#include "anim/SkeletonWalkBuilder.h"
#include "content/AssimpConversions.h"
#include "content/ModelLoader.h"

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double DefaultTicksPerSecond = 25.0;

// The node's local transformation from its channel's keys at time t, in Assimp's convention. A kind of
// key the channel lacks keeps the node's own component.
float4x4 SampledTransformation(float t, const WalkNode& node) {
  const aiNodeAnim& channel = *node.Channel;
  const float3 scaling = channel.mNumScalingKeys > 0
                             ? InterpolateVector(t, channel.mNumScalingKeys, channel.mScalingKeys)
                             : node.OwnScaling;
  const aiQuaternion rotation = channel.mNumRotationKeys > 0 ? InterpolateRotation(t, channel) : node.OwnRotation;
  const float3 position = channel.mNumPositionKeys > 0
                              ? InterpolateVector(t, channel.mNumPositionKeys, channel.mPositionKeys)
                              : node.OwnPosition;
  // Scale, then rotate, then translate, built with row vectors; the transpose turns it into Assimp's
  // column-vector convention, where it reads translation x rotation x scaling.
  const float4x4 local =
      Multiply(Multiply(Scaling(scaling), RotationQuaternion({rotation.x, rotation.y, rotation.z, rotation.w})),
               Translation(position));
  return Transpose(local);
}

}  // namespace

FrameTimer TimerAtPreviousFrame(double seconds) {
  FrameTimer timer;
  timer.CounterPeriod = 1.0 / 1000000.0;
  timer.StartCount = 0;
  timer.CurrentCount = static_cast<int64_t>(seconds * 1000000.0);
  timer.FrameDelta = 0.0;
  return timer;
}

float PreviousFrameSeconds(const FrameTimer& timer) {
  // The frame delta is rounded to f32 before the subtraction, which is done in f64.
  const auto frameDelta = static_cast<float>(timer.FrameDelta);
  return static_cast<float>(static_cast<double>(timer.Elapsed()) - static_cast<double>(frameDelta));
}

float AnimationTicks(const aiAnimation& animation, float seconds) {
  if (animation.mDuration == 0.0) {
    return 0.0f;
  }
  const double ticksPerSecond = animation.mTicksPerSecond != 0.0 ? animation.mTicksPerSecond : DefaultTicksPerSecond;
  const float ticks = static_cast<float>(ticksPerSecond) * seconds;
  // The remainder keeps the sign of the ticks, so the animation loops with period mDuration.
  return static_cast<float>(std::fmod(static_cast<double>(ticks), animation.mDuration));
}

float4x4 AnimateNode(Model& model, float time, const WalkNode& node, const float4x4& parent) {
  const float4x4 local =
      node.Channel != nullptr ? SampledTransformation(time, node) : FromAssimp(node.Node->mTransformation);
  const float4x4 global = Multiply(parent, local);
  if (node.Bone != WalkNode::NoBone) {
    BoneInfo& bone = model.BoneInfos[static_cast<size_t>(node.Bone)];
    bone.SkinMatrix = Multiply(Multiply(model.InverseRootTransform, global), bone.OffsetMatrix);
  }
  return global;
}

void UpdateAnimation(Model& model, const FrameTimer& timer, std::vector<float4x4>& palette) {
  if (model.Scene != nullptr) {
    if (model.Walk.Scene != model.Scene) {
      BuildSkeletonWalk(model);
    }
    const aiAnimation* animation = PlayedAnimation(model);
    const float time = animation != nullptr ? AnimationTicks(*animation, PreviousFrameSeconds(timer)) : 0.0f;
    SkeletonWalk& walk = model.Walk;
    // Parents come before their children, so every parent's global transformation is ready when needed.
    for (size_t i = 0; i < walk.Nodes.size(); ++i) {
      const WalkNode& node = walk.Nodes[i];
      const float4x4& parent = node.Parent != WalkNode::NoParent ? walk.GlobalTransforms[node.Parent] : Identity();
      walk.GlobalTransforms[i] = AnimateNode(model, time, node, parent);
    }
  }
  palette.resize(model.BoneCount);
  for (size_t i = 0; i < palette.size() && i < model.BoneInfos.size(); ++i) {
    palette[i] = model.BoneInfos[i].SkinMatrix;
  }
}

float4x4 PosedNodePlacement(const Model& model, uint32_t node) {
  return Multiply(model.InverseRootTransform, model.Walk.GlobalTransforms[node]);
}

void FollowAnimatedNodes(Mesh& mesh) {
  const SkeletonWalk& walk = mesh.Geometry.Walk;
  // Submeshes and draw items are made in the same order, one for one.
  const size_t count = std::min(mesh.DrawItems.size(), walk.AnimatedSubmeshNodes.size());
  for (size_t k = 0; k < count; ++k) {
    const uint32_t node = walk.AnimatedSubmeshNodes[k];
    if (node != SkeletonWalk::NoNode) {
      // Draw items take row-vector matrices.
      mesh.DrawItems[k].Transform = Transpose(PosedNodePlacement(mesh.Geometry, node));
      mesh.DrawItems[k].FollowsAnimation = true;
    }
  }
}
