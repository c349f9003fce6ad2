#pragma once
// Poses the model's skeleton at a given time with the engine's sampling rules: the first animation,
// looping with fmod over its duration, linear keys, Assimp's slerp, and skin = inverse root x global x offset.

#include "SkinnedModel.h"

#include <assimp/scene.h>

#include <map>
#include <string>
#include <vector>

class AnimationSampler {
 public:
  AnimationSampler(const aiScene& scene, const SkinnedModel& model);

  bool HasAnimation() const { return Animation != nullptr; }
  double TicksPerSecond() const;
  double DurationSeconds() const;

  // Global transformation of every node, keyed by node name, at the given time in seconds.
  std::map<std::string, aiMatrix4x4> GlobalTransforms(double seconds) const;

  // One skinning matrix per bone, in bone-index order (Assimp's column-vector convention).
  std::vector<aiMatrix4x4> SkinMatrices(double seconds) const;

 private:
  float AnimationTicks(double seconds) const;
  aiMatrix4x4 LocalTransform(const aiNode& node, float ticks) const;
  void Walk(const aiNode& node, const aiMatrix4x4& parent, float ticks,
            std::map<std::string, aiMatrix4x4>& globals) const;

  const aiScene& Scene;
  const SkinnedModel& Model;
  const aiAnimation* Animation = nullptr;
  std::map<std::string, const aiNodeAnim*> ChannelByNode;
};

// The bone's translation after the pose: where its joint sits in model space.
aiVector3D JointPosition(const aiMatrix4x4& inverseRoot, const aiMatrix4x4& global);
