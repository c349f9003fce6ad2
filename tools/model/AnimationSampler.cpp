#include "AnimationSampler.h"

#include <cmath>

namespace {

struct Segment {
  unsigned First = 0;
  float Factor = 0.0f;
};

// The engine's key search: the first segment whose end lies after t; past the last key it falls back to
// segment 0 with an unclamped factor. Keeping that rule here makes the preview show what the engine shows.
template <typename Key>
Segment FindSegment(float t, unsigned count, const Key* keys) {
  Segment segment;
  for (unsigned i = 0; i + 1 < count; ++i) {
    if (static_cast<float>(keys[i + 1].mTime) > t) {
      segment.First = i;
      break;
    }
  }
  const float span = static_cast<float>(keys[segment.First + 1].mTime - keys[segment.First].mTime);
  segment.Factor = (t - static_cast<float>(keys[segment.First].mTime)) / span;
  return segment;
}

aiVector3D SampleVector(float t, unsigned count, const aiVectorKey* keys) {
  if (count == 1) {
    return keys[0].mValue;
  }
  const Segment s = FindSegment(t, count, keys);
  const aiVector3D& a = keys[s.First].mValue;
  const aiVector3D& b = keys[s.First + 1].mValue;
  return a + s.Factor * (b - a);
}

aiQuaternion SampleRotation(float t, unsigned count, const aiQuatKey* keys) {
  if (count == 1) {
    return keys[0].mValue;
  }
  const Segment s = FindSegment(t, count, keys);
  aiQuaternion result;
  aiQuaternion::Interpolate(result, keys[s.First].mValue, keys[s.First + 1].mValue, s.Factor);
  return result.Normalize();
}

}  // namespace

AnimationSampler::AnimationSampler(const aiScene& scene, const SkinnedModel& model) : Scene(scene), Model(model) {
  if (scene.mNumAnimations == 0) {
    return;
  }
  Animation = scene.mAnimations[0];
  for (unsigned c = 0; c < Animation->mNumChannels; ++c) {
    ChannelByNode[Animation->mChannels[c]->mNodeName.C_Str()] = Animation->mChannels[c];
  }
}

double AnimationSampler::TicksPerSecond() const {
  if (Animation == nullptr) {
    return 0.0;
  }
  return Animation->mTicksPerSecond != 0.0 ? Animation->mTicksPerSecond : 25.0;
}

double AnimationSampler::DurationSeconds() const {
  return Animation == nullptr ? 0.0 : Animation->mDuration / TicksPerSecond();
}

float AnimationSampler::AnimationTicks(double seconds) const {
  if (Animation == nullptr || Animation->mDuration == 0.0) {
    return 0.0f;
  }
  const float ticks = static_cast<float>(static_cast<float>(TicksPerSecond()) * seconds);
  return static_cast<float>(std::fmod(static_cast<double>(ticks), Animation->mDuration));
}

aiMatrix4x4 AnimationSampler::LocalTransform(const aiNode& node, float ticks) const {
  const auto found = ChannelByNode.find(node.mName.C_Str());
  if (found == ChannelByNode.end()) {
    return node.mTransformation;
  }
  const aiNodeAnim& channel = *found->second;
  aiVector3D scaling(1, 1, 1);
  aiVector3D position;
  aiQuaternion rotation;
  aiMatrix4x4 own = node.mTransformation;
  own.Decompose(scaling, rotation, position);  // a kind of key the channel lacks keeps the node's own part
  if (channel.mNumScalingKeys > 0) {
    scaling = SampleVector(ticks, channel.mNumScalingKeys, channel.mScalingKeys);
  }
  if (channel.mNumRotationKeys > 0) {
    rotation = SampleRotation(ticks, channel.mNumRotationKeys, channel.mRotationKeys);
  }
  if (channel.mNumPositionKeys > 0) {
    position = SampleVector(ticks, channel.mNumPositionKeys, channel.mPositionKeys);
  }
  return aiMatrix4x4(scaling, rotation, position);  // translation x rotation x scaling on column vectors
}

void AnimationSampler::Walk(const aiNode& node, const aiMatrix4x4& parent, float ticks,
                            std::map<std::string, aiMatrix4x4>& globals) const {
  const aiMatrix4x4 global = parent * LocalTransform(node, ticks);
  globals[node.mName.C_Str()] = global;
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    Walk(*node.mChildren[c], global, ticks, globals);
  }
}

std::map<std::string, aiMatrix4x4> AnimationSampler::GlobalTransforms(double seconds) const {
  std::map<std::string, aiMatrix4x4> globals;
  Walk(*Scene.mRootNode, aiMatrix4x4(), AnimationTicks(seconds), globals);
  return globals;
}

std::vector<aiMatrix4x4> AnimationSampler::SkinMatrices(double seconds) const {
  const auto globals = GlobalTransforms(seconds);
  std::vector<aiMatrix4x4> palette(Model.OffsetMatrices.size());
  for (const auto& [name, index] : Model.BoneIndexByName) {
    const auto node = globals.find(name);
    if (node != globals.end()) {
      palette[index] = Model.InverseRootTransform * node->second * Model.OffsetMatrices[index];
    }
  }
  return palette;
}

aiVector3D JointPosition(const aiMatrix4x4& inverseRoot, const aiMatrix4x4& global) {
  const aiMatrix4x4 m = inverseRoot * global;
  return aiVector3D(m.a4, m.b4, m.c4);
}
