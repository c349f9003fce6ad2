// The model's node tree laid out for the per-frame walk, with each node's channel and bone looked up
// once instead of by name every frame.
#pragma once

#include "math/Matrix.h"
#include "math/Vector.h"

#include <assimp/quaternion.h>

#include <cstdint>
#include <vector>

struct aiNode;
struct aiNodeAnim;
struct aiScene;

// One node of the tree. Nodes are stored parent before children in the order of a depth-first walk, so
// one pass from first to last composes every node after its parent.
struct WalkNode {
  static constexpr uint32_t NoParent = UINT32_MAX;
  static constexpr int32_t NoBone = -1;

  const aiNode* Node = nullptr;
  uint32_t Parent = NoParent;           // position of the parent node in the walk
  int32_t Bone = NoBone;                // index into BoneInfos when the node carries a bone's name
  const aiNodeAnim* Channel = nullptr;  // null when the node keeps its own transformation
  // The node or one of its ancestors has a channel, so its global transformation changes as the animation
  // plays.
  bool Animated = false;

  // The node's own transformation taken apart, standing in for a kind of key its channel lacks.
  float3 OwnScaling;
  aiQuaternion OwnRotation;
  float3 OwnPosition;
};

struct SkeletonWalk {
  static constexpr uint32_t NoNode = UINT32_MAX;

  const aiScene* Scene = nullptr;  // the scene the nodes were resolved for; another scene resolves again
  std::vector<WalkNode> Nodes;
  std::vector<float4x4> GlobalTransforms;  // per node, reused every frame so the walk allocates nothing
  // Per submesh of the model: the position of the animated node that places its rigid mesh, or NoNode for
  // a submesh that stays where the loader put it.
  std::vector<uint32_t> AnimatedSubmeshNodes;
};
