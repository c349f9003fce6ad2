#include "anim/SkeletonWalkBuilder.h"

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

bool HasAnyKey(const aiNodeAnim& channel) {
  return channel.mNumPositionKeys > 0 || channel.mNumRotationKeys > 0 || channel.mNumScalingKeys > 0;
}

WalkNode ResolveNode(Model& model, const aiNode& node, uint32_t parent) {
  WalkNode resolved;
  resolved.Node = &node;
  resolved.Parent = parent;
  const std::string name(node.mName.data, node.mName.length);
  const aiNodeAnim* channel = model.ChannelByNode[name];
  // A channel without a single key has nothing to say about the node.
  if (channel != nullptr && HasAnyKey(*channel)) {
    resolved.Channel = channel;
    aiVector3D scaling;
    aiVector3D position;
    node.mTransformation.Decompose(scaling, resolved.OwnRotation, position);
    resolved.OwnScaling = {scaling.x, scaling.y, scaling.z};
    resolved.OwnPosition = {position.x, position.y, position.z};
  }
  const auto bone = model.BoneIndexByName.find(name);
  if (bone != model.BoneIndexByName.end() && bone->second < model.BoneInfos.size()) {
    resolved.Bone = static_cast<int32_t>(bone->second);
  }
  return resolved;
}

// Rigid submeshes under an animated node, by that node's position in the walk.
void ResolveAnimatedSubmeshes(Model& model, const std::map<const aiNode*, uint32_t>& positions) {
  SkeletonWalk& walk = model.Walk;
  walk.AnimatedSubmeshNodes.assign(model.Submeshes.size(), SkeletonWalk::NoNode);
  for (size_t k = 0; k < model.Submeshes.size(); ++k) {
    const auto found = positions.find(model.Submeshes[k].Node);
    if (found != positions.end() && walk.Nodes[found->second].Animated) {
      walk.AnimatedSubmeshNodes[k] = found->second;
    }
  }
}

}  // namespace

void BuildSkeletonWalk(Model& model) {
  SkeletonWalk& walk = model.Walk;
  walk = SkeletonWalk{};
  walk.Scene = model.Scene;
  if (model.Scene == nullptr || model.Scene->mRootNode == nullptr) {
    return;
  }
  // An explicit stack instead of recursion, so that however deep the file's hierarchy goes the walk does
  // not run out of call stack. Children are pushed last first so that they come out in their own order.
  std::vector<std::pair<const aiNode*, uint32_t>> pending = {{model.Scene->mRootNode, WalkNode::NoParent}};
  std::map<const aiNode*, uint32_t> positions;
  while (!pending.empty()) {
    const auto [node, parent] = pending.back();
    pending.pop_back();
    const auto position = static_cast<uint32_t>(walk.Nodes.size());
    walk.Nodes.push_back(ResolveNode(model, *node, parent));
    WalkNode& resolved = walk.Nodes.back();
    resolved.Animated = resolved.Channel != nullptr || (parent != WalkNode::NoParent && walk.Nodes[parent].Animated);
    positions.emplace(node, position);
    for (unsigned int child = node->mNumChildren; child-- > 0;) {
      if (node->mChildren != nullptr && node->mChildren[child] != nullptr) {
        pending.emplace_back(node->mChildren[child], position);
      }
    }
  }
  walk.GlobalTransforms.resize(walk.Nodes.size());
  ResolveAnimatedSubmeshes(model, positions);
}
