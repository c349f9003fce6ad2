#include "viewer/MorphTargets.h"

#include "anim/ModelBounds.h"
#include "content/ModelLoader.h"
#include "render/ConstantBuffers.h"

#include <assimp/anim.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// A target that does not move the mesh's own vertices one for one cannot be blended with them.
bool UsableTarget(const aiMesh& mesh, const aiAnimMesh* target) {
  return target != nullptr && target->mVertices != nullptr && target->mNumVertices == mesh.mNumVertices;
}

// The node that draws the mesh, found by the mesh index; its name is what a morph channel names.
const aiNode* NodeDrawing(const aiNode* node, unsigned int mesh) {
  if (node == nullptr) {
    return nullptr;
  }
  for (unsigned int k = 0; node->mMeshes != nullptr && k < node->mNumMeshes; ++k) {
    if (node->mMeshes[k] == mesh) {
      return node;
    }
  }
  for (unsigned int c = 0; node->mChildren != nullptr && c < node->mNumChildren; ++c) {
    if (const aiNode* found = NodeDrawing(node->mChildren[c], mesh)) {
      return found;
    }
  }
  return nullptr;
}

const aiMeshMorphAnim* ChannelFor(const aiScene& scene, const aiAnimation* played, const aiMesh& mesh,
                                  unsigned int index) {
  if (played == nullptr) {
    return nullptr;
  }
  const aiAnimation& animation = *played;
  const aiNode* node = NodeDrawing(scene.mRootNode, index);
  for (unsigned int c = 0; animation.mMorphMeshChannels != nullptr && c < animation.mNumMorphMeshChannels; ++c) {
    const aiMeshMorphAnim* channel = animation.mMorphMeshChannels[c];
    if (channel == nullptr || channel->mNumKeys == 0 || channel->mKeys == nullptr) {
      continue;
    }
    // Channels name the node that draws the mesh, or the mesh itself.
    const std::string name = channel->mName.C_Str();
    if ((node != nullptr && name == node->mName.C_Str()) || name == mesh.mName.C_Str()) {
      return channel;
    }
  }
  return nullptr;
}

void KeyWeights(const aiMeshMorphKey& key, float scale, std::vector<float>& weights) {
  for (unsigned int i = 0; key.mValues != nullptr && key.mWeights != nullptr && i < key.mNumValuesAndWeights; ++i) {
    if (key.mValues[i] < weights.size()) {
      weights[key.mValues[i]] += scale * static_cast<float>(key.mWeights[i]);
    }
  }
}

}  // namespace

void SampleMorphWeights(const aiMeshMorphAnim& channel, float ticks, std::vector<float>& weights) {
  std::fill(weights.begin(), weights.end(), 0.0f);
  if (channel.mNumKeys == 0 || channel.mKeys == nullptr) {
    return;
  }
  const aiMeshMorphKey* keys = channel.mKeys;
  unsigned int next = 0;
  while (next < channel.mNumKeys && keys[next].mTime <= ticks) {
    ++next;
  }
  if (next == 0 || next == channel.mNumKeys) {
    KeyWeights(keys[next == 0 ? 0 : channel.mNumKeys - 1], 1.0f, weights);
    return;
  }
  const aiMeshMorphKey& before = keys[next - 1];
  const aiMeshMorphKey& after = keys[next];
  const double length = after.mTime - before.mTime;
  const float factor = length > 0.0 ? static_cast<float>((ticks - before.mTime) / length) : 0.0f;
  KeyWeights(before, 1.0f - factor, weights);
  KeyWeights(after, factor, weights);
}

void MorphTargets::Prepare(const Model& model, std::vector<SkinnedVertex> vertices) {
  meshes_.clear();
  if (model.Scene == nullptr || vertices.empty()) {
    return;
  }
  const aiScene& scene = *model.Scene;
  for (uint32_t k = 0; k < model.Submeshes.size(); ++k) {
    const Submesh& submesh = model.Submeshes[k];
    const aiMesh* mesh = submesh.SceneMesh < scene.mNumMeshes ? scene.mMeshes[submesh.SceneMesh] : nullptr;
    const bool seen =
        std::any_of(meshes_.begin(), meshes_.end(), [&](const MorphedMesh& m) { return m.Source == mesh; });
    if (mesh == nullptr || seen || mesh->mNumAnimMeshes == 0 || mesh->mAnimMeshes == nullptr ||
        submesh.BaseVertex < 0 || size_t(submesh.BaseVertex) + mesh->mNumVertices > vertices.size()) {
      continue;
    }
    MorphedMesh morphed;
    morphed.Source = mesh;
    morphed.FirstVertex = static_cast<uint32_t>(submesh.BaseVertex);
    morphed.Submesh = k;
    for (unsigned int t = 0; t < mesh->mNumAnimMeshes; ++t) {
      morphed.OwnWeights.push_back(UsableTarget(*mesh, mesh->mAnimMeshes[t]) ? mesh->mAnimMeshes[t]->mWeight : 0.0f);
    }
    morphed.Weights = morphed.OwnWeights;
    morphed.Channel = ChannelFor(scene, PlayedAnimation(model), *mesh, submesh.SceneMesh);
    meshes_.push_back(std::move(morphed));
  }
  if (!meshes_.empty()) {
    base_ = vertices;
    vertices_ = std::move(vertices);
  }
}

void MorphTargets::SelectAnimation(const Model& model) {
  for (MorphedMesh& morphed : meshes_) {
    const uint32_t sceneMesh = model.Submeshes[morphed.Submesh].SceneMesh;
    morphed.Channel = ChannelFor(*model.Scene, PlayedAnimation(model), *morphed.Source, sceneMesh);
  }
}

void MorphTargets::CreateBuffer(ID3D12Device* device, Model& model) {
  if (meshes_.empty()) {
    return;
  }
  const uint64_t bytes = uint64_t{sizeof(SkinnedVertex)} * vertices_.size();
  buffer_ = CreateMappedUploadBuffer(device, bytes, &mapped_);
  if (mapped_ != nullptr) {
    std::memcpy(mapped_, vertices_.data(), bytes);
  }
  model.VertexBuffer = buffer_;
}

void MorphTargets::Deform(const MorphedMesh& morphed, const std::vector<float>& weights,
                          std::vector<SkinnedVertex>& out) const {
  const aiMesh& mesh = *morphed.Source;
  for (unsigned int j = 0; j < mesh.mNumVertices; ++j) {
    const SkinnedVertex& base = base_[morphed.FirstVertex + j];
    SkinnedVertex& vertex = out[morphed.FirstVertex + j];
    float position[3] = {base.Position[0], base.Position[1], base.Position[2]};
    float normal[3] = {base.Normal[0], base.Normal[1], base.Normal[2]};
    // Targets hold whole positions (and normals); each pulls the vertex by its weight towards its own.
    for (unsigned int t = 0; t < mesh.mNumAnimMeshes && t < weights.size(); ++t) {
      const aiAnimMesh* target = mesh.mAnimMeshes[t];
      if (weights[t] == 0.0f || !UsableTarget(mesh, target)) {
        continue;
      }
      const aiVector3D& p = target->mVertices[j];
      const aiVector3D& own = mesh.mVertices[j];
      position[0] += weights[t] * (p.x - own.x);
      position[1] += weights[t] * (p.y - own.y);
      position[2] += weights[t] * (p.z - own.z);
      if (target->mNormals != nullptr && mesh.mNormals != nullptr) {
        const aiVector3D& n = target->mNormals[j];
        const aiVector3D& ownNormal = mesh.mNormals[j];
        normal[0] += weights[t] * (n.x - ownNormal.x);
        normal[1] += weights[t] * (n.y - ownNormal.y);
        normal[2] += weights[t] * (n.z - ownNormal.z);
      }
    }
    std::memcpy(vertex.Position, position, sizeof(position));
    std::memcpy(vertex.Normal, normal, sizeof(normal));
  }
}

void MorphTargets::Update(const aiAnimation* animation, float ticks) {
  for (MorphedMesh& morphed : meshes_) {
    if (animation != nullptr && morphed.Channel != nullptr) {
      SampleMorphWeights(*morphed.Channel, ticks, morphed.Weights);
    } else {
      morphed.Weights = morphed.OwnWeights;
    }
    Deform(morphed, morphed.Weights, vertices_);
    if (mapped_ != nullptr) {
      std::memcpy(mapped_ + sizeof(SkinnedVertex) * morphed.FirstVertex, vertices_.data() + morphed.FirstVertex,
                  sizeof(SkinnedVertex) * morphed.Source->mNumVertices);
    }
  }
}

void MorphTargets::WidenBounds(Model& model, const aiAnimation* animation) const {
  std::vector<SkinnedVertex> scratch = base_;
  for (const MorphedMesh& morphed : meshes_) {
    // The mesh's own weights and those of the animation's keys: linear blends between keys stay inside.
    std::vector<std::vector<float>> poses = {morphed.OwnWeights};
    for (unsigned int k = 0; animation != nullptr && morphed.Channel != nullptr && k < morphed.Channel->mNumKeys; ++k) {
      std::vector<float> keyed(morphed.OwnWeights.size(), 0.0f);
      KeyWeights(morphed.Channel->mKeys[k], 1.0f, keyed);
      poses.push_back(keyed);
    }
    BoundingBox local;
    for (const std::vector<float>& weights : poses) {
      Deform(morphed, weights, scratch);
      for (unsigned int j = 0; j < morphed.Source->mNumVertices; ++j) {
        const SkinnedVertex& v = scratch[morphed.FirstVertex + j];
        local.Add(float3{v.Position[0], v.Position[1], v.Position[2]});
      }
    }
    for (Submesh& submesh : model.Submeshes) {
      if (submesh.SceneMesh == model.Submeshes[morphed.Submesh].SceneMesh) {
        submesh.LocalBounds.Add(local);
        model.BindBounds.Add(PlacedBox(local, Transpose(submesh.Transform)));
      }
    }
  }
}
