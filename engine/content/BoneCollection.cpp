#include "content/AssimpConversions.h"
#include "content/ModelLoader.h"

#include <assimp/mesh.h>

namespace {

// The index of the named bone, adding it to the loader's bone list the first time the name is met.
uint32_t BoneIndexFor(const std::string& name, ModelLoader& loader) {
  const auto found = loader.BoneIndexByName.find(name);
  if (found != loader.BoneIndexByName.end()) {
    return found->second;
  }
  const uint32_t index = loader.BoneCount++;
  loader.BoneInfos.push_back(BoneInfo{});
  loader.BoneIndexByName.emplace(name, index);
  return index;
}

// Takes the first free slot; a vertex that already has four influences drops the new one. Weights are
// kept as they are, never renormalised.
void AddInfluence(VertexInfluences& vertex, uint32_t boneIndex, float weight) {
  for (int slot = 0; slot < VertexInfluences::SlotCount; ++slot) {
    if (vertex.BoneWeights[slot] == 0.0f) {
      vertex.BoneIndices[slot] = static_cast<uint16_t>(boneIndex);
      vertex.BoneWeights[slot] = weight;
      return;
    }
  }
}

}  // namespace

void ModelLoader::CollectBones(const aiMesh& mesh) {
  Influences.assign(mesh.mNumVertices, VertexInfluences{});
  if (mesh.mBones == nullptr) {
    return;
  }
  for (unsigned int b = 0; b < mesh.mNumBones; ++b) {
    if (mesh.mBones[b] == nullptr) {
      continue;
    }
    const aiBone& bone = *mesh.mBones[b];
    const uint32_t boneIndex = BoneIndexFor(std::string(bone.mName.data, bone.mName.length), *this);
    // A bone that several meshes name keeps the offset matrix of the last one.
    BoneInfos[boneIndex].OffsetMatrix = FromAssimp(bone.mOffsetMatrix);
    if (bone.mWeights == nullptr) {
      continue;
    }
    for (unsigned int w = 0; w < bone.mNumWeights; ++w) {
      const aiVertexWeight& weight = bone.mWeights[w];
      // A weight naming a vertex the mesh does not have has nothing to act on.
      if (weight.mVertexId < Influences.size()) {
        AddInfluence(Influences[weight.mVertexId], boneIndex, weight.mWeight);
      }
    }
  }
}
