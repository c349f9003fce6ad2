#include "content/ModelLoader.h"

#include "content/AssimpConversions.h"
#include "content/LoadLeftovers.h"
#include "content/MaterialTextures.h"
#include "content/ModelFileError.h"
#include "content/SceneImport.h"
#include "core/ConsoleOutput.h"

#include <heapapi.h>

#include <assimp/anim.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t VertexSize = sizeof(SkinnedVertex);

// The played animation's channels by the name of the node each drives; a later channel for the same node
// replaces an earlier one. A scene without animations has no channels: every node keeps its own
// transformation and the model stands in its bind pose.
void MapChannels(const aiScene& scene, Model& model) {
  const aiAnimation* played = scene.mNumAnimations > model.AnimationIndex && scene.mAnimations != nullptr
                                  ? scene.mAnimations[model.AnimationIndex]
                                  : nullptr;
  if (played == nullptr || played->mChannels == nullptr) {
    return;
  }
  const aiAnimation& animation = *played;
  for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
    const aiNodeAnim* channel = animation.mChannels[c];
    if (channel != nullptr) {
      model.ChannelByNode[std::string(channel->mNodeName.data, channel->mNodeName.length)] = channel;
    }
  }
}

float4x4 InverseOf(aiMatrix4x4 m) {
  // Assimp's own inverse: a singular matrix becomes all NaN rather than garbage.
  return FromAssimp(m.Inverse());
}

// What MakeVertex takes from a mesh besides positions, normals and weights.
struct VertexSources {
  unsigned int TexCoordSet = 0;
  bool Colours = false;
  bool Normalise = false;
};

SkinnedVertex MakeVertex(const aiMesh& mesh, unsigned int j, const VertexInfluences& influences,
                         const VertexSources& sources) {
  SkinnedVertex vertex;
  const aiVector3D& position = mesh.mVertices[j];
  // A mesh without texture coordinates samples the texture's corner texel everywhere: one flat colour
  // rather than a hole in the model.
  const unsigned int set = sources.TexCoordSet < AI_MAX_NUMBER_OF_TEXTURECOORDS ? sources.TexCoordSet : 0;
  const aiVector3D texCoord = mesh.mTextureCoords[set] != nullptr ? mesh.mTextureCoords[set][j] : aiVector3D();
  if (sources.Colours && mesh.mColors[0] != nullptr) {
    const aiColor4D& colour = mesh.mColors[0][j];
    vertex.Color[0] = colour.r;
    vertex.Color[1] = colour.g;
    vertex.Color[2] = colour.b;
    vertex.Color[3] = colour.a;
  }
  const aiVector3D& normal = mesh.mNormals[j];
  vertex.Position[0] = position.x;
  vertex.Position[1] = position.y;
  vertex.Position[2] = position.z;
  vertex.TexCoord[0] = texCoord.x;
  vertex.TexCoord[1] = texCoord.y;
  vertex.Normal[0] = normal.x;
  vertex.Normal[1] = normal.y;
  vertex.Normal[2] = normal.z;
  for (int slot = 0; slot < VertexInfluences::SlotCount; ++slot) {
    vertex.Weights[slot] = influences.BoneWeights[slot];
    vertex.BoneIndices[slot] = static_cast<float>(influences.BoneIndices[slot]);
  }
  // Files whose weights add up to more or less than 1 grow or shrink the vertex towards the origin.
  const float total = vertex.Weights[0] + vertex.Weights[1] + vertex.Weights[2] + vertex.Weights[3];
  if (sources.Normalise && total > 0.0f && std::isfinite(total)) {
    for (float& weight : vertex.Weights) {
      weight /= total;
    }
  }
  return vertex;
}

// Mesh m of the scene, or null after a line on stderr saying why the importer leaves it out.
const aiMesh* UsableMesh(const aiScene& scene, unsigned int m, const std::string& path) {
  const aiMesh* mesh = scene.mMeshes[m];
  const char* unusable = mesh != nullptr ? UnusableMeshReason(*mesh) : "it is missing";
  if (unusable == nullptr) {
    return mesh;
  }
  WriteErrorLine(path + ": mesh " + std::to_string(m) + " \"" + (mesh != nullptr ? mesh->mName.C_Str() : "") +
                 "\" skipped: " + unusable);
  return nullptr;
}

// Records, for every mesh, each node that draws it with the node's global transformation (Assimp's
// convention), in depth-first order.
void CollectMeshPlacements(const aiNode& node, const aiMatrix4x4& parent,
                           std::vector<std::vector<std::pair<const aiNode*, aiMatrix4x4>>>& placements) {
  const aiMatrix4x4 global = parent * node.mTransformation;
  for (unsigned int k = 0; node.mMeshes != nullptr && k < node.mNumMeshes; ++k) {
    const unsigned int m = node.mMeshes[k];
    if (m < placements.size()) {
      placements[m].emplace_back(&node, global);
    }
  }
  for (unsigned int c = 0; node.mChildren != nullptr && c < node.mNumChildren; ++c) {
    if (node.mChildren[c] != nullptr) {
      CollectMeshPlacements(*node.mChildren[c], global, placements);
    }
  }
}

// Every place each mesh is drawn in the bind pose, as row-vector matrices for the draw items. Like the
// bone palette, they are taken relative to the root node, so rigid and skinned meshes of one scene line
// up. A mesh no node draws stands once at the identity, without a node.
std::vector<std::vector<MeshPlacement>> MeshPlacements(const aiScene& scene, const float4x4& inverseRoot) {
  std::vector<std::vector<std::pair<const aiNode*, aiMatrix4x4>>> global(scene.mMeshes != nullptr ? scene.mNumMeshes
                                                                                                  : 0);
  if (scene.mRootNode != nullptr) {
    CollectMeshPlacements(*scene.mRootNode, aiMatrix4x4(), global);
  }
  std::vector<std::vector<MeshPlacement>> placements(global.size());
  for (size_t m = 0; m < global.size(); ++m) {
    for (const auto& [node, matrix] : global[m]) {
      // Column-vector product inverse-root x global, transposed into the row-vector convention of the scene.
      placements[m].push_back({node, Transpose(Multiply(inverseRoot, FromAssimp(matrix)))});
    }
    if (placements[m].empty()) {
      placements[m].push_back({nullptr, Identity()});
    }
  }
  return placements;
}

// Where the row-vector matrix takes the point.
float3 Placed(const float4x4& m, float3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

// A rigid vertex counts where its placement puts it; a skinned one where the file put it, and also in the
// box of the bone that weighs most on it. A vertex no bone holds stays put in every pose.
void AddToBounds(const SkinnedVertex& vertex, const float4x4* placement, Model& model) {
  const float3 position = {vertex.Position[0], vertex.Position[1], vertex.Position[2]};
  if (placement != nullptr) {
    model.BindBounds.Add(Placed(*placement, position));
    return;
  }
  model.BindBounds.Add(position);
  int heaviest = 0;
  for (int slot = 1; slot < VertexInfluences::SlotCount; ++slot) {
    if (vertex.Weights[slot] > vertex.Weights[heaviest]) {
      heaviest = slot;
    }
  }
  if (vertex.Weights[heaviest] > 0.0f) {
    const auto bone = static_cast<size_t>(vertex.BoneIndices[heaviest]);
    if (bone >= model.BoneBounds.size()) {
      model.BoneBounds.resize(bone + 1);
    }
    model.BoneBounds[bone].Add(position);
  }
}

bool HasMorphTargets(const aiScene& scene) {
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    if (scene.mMeshes[m] != nullptr && scene.mMeshes[m]->mNumAnimMeshes > 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

const aiAnimation* PlayedAnimation(const Model& model) {
  const aiScene* scene = model.Scene;
  if (scene == nullptr || scene->mAnimations == nullptr || model.AnimationIndex >= scene->mNumAnimations) {
    return nullptr;
  }
  return scene->mAnimations[model.AnimationIndex];
}

void SelectAnimation(Model& model, uint32_t index) {
  model.AnimationIndex = index;
  model.ChannelByNode.clear();
  if (model.Scene != nullptr) {
    MapChannels(*model.Scene, model);
  }
  // The next frame lays the walk out again with the new channels.
  model.Walk.Scene = nullptr;
}

Model ModelLoader::LoadModel(const std::string& path) {
  // Released if the scene is refused; otherwise the model keeps it for the rest of the run.
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> scene(Import(path), aiReleaseImport);
  // Checked before any mesh is read, so that the stop is the only line the model gives.
  if (!HasDrawableMesh(*scene)) {
    throw ModelFileError(path, "the model has no mesh of triangles to draw");
  }
  Model model;
  ModelArrays arrays = ReadScene(*scene, path, model);
  if (FreeCopiesEarly) {
    ReleaseVertexArrays(*scene);
    HeapCompact(GetProcessHeap(), 0);
  }
  // Kept before the upload, which frees the loader's own copy when copies are freed early.
  if (KeepVerticesOfMorphedModels && HasMorphTargets(*scene)) {
    KeptVertices = arrays.Vertices;
  }
  UploadArrays(arrays, model);
  scene.release();
  return model;
}

ModelArrays ModelLoader::ReadScene(const aiScene& scene, const std::string& path, Model& model) {
  ModelArrays arrays;
  if (scene.mRootNode == nullptr) {
    throw ModelFileError(path, "the scene has no root node");
  }
  model.InverseRootTransform = InverseOf(scene.mRootNode->mTransformation);
  TexCoordSetByMaterial.clear();
  for (unsigned int m = 0; UseMaterialTexCoordSets && scene.mMaterials != nullptr && m < scene.mNumMaterials; ++m) {
    TexCoordSetByMaterial.push_back(scene.mMaterials[m] != nullptr ? BaseColourTexCoordSet(*scene.mMaterials[m]) : 0);
  }
  const std::vector<std::vector<MeshPlacement>> placements = MeshPlacements(scene, model.InverseRootTransform);
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    if (const aiMesh* mesh = UsableMesh(scene, m, path)) {
      const size_t first = model.Submeshes.size();
      AppendMesh(*mesh, placements[m], arrays, model);
      for (size_t k = first; k < model.Submeshes.size(); ++k) {
        model.Submeshes[k].SceneMesh = m;
      }
    }
  }
  // The object shaders' bone palette has room for MaxBones matrices: more would skin with garbage.
  if (BoneCount > MaxBones) {
    throw ModelFileError(path, "the model has " + std::to_string(BoneCount) + " bones, more than the " +
                                   std::to_string(MaxBones) + " the bone palette holds");
  }
  MapChannels(scene, model);
  model.BoneInfos = BoneInfos;
  model.BoneIndexByName = BoneIndexByName;
  model.BoneCount = BoneCount;
  model.Scene = &scene;
  return arrays;
}

void ModelLoader::AppendMesh(const aiMesh& mesh, const std::vector<MeshPlacement>& placements, ModelArrays& arrays,
                             Model& model) {
  CollectBones(mesh);
  const bool rigid = mesh.mNumBones == 0;
  BoundingBox local;
  VertexSources sources;
  sources.Colours = ReadVertexColours;
  sources.Normalise = NormaliseWeights;
  if (mesh.mMaterialIndex < TexCoordSetByMaterial.size()) {
    sources.TexCoordSet = TexCoordSetByMaterial[mesh.mMaterialIndex];
  }
  for (unsigned int j = 0; j < mesh.mNumVertices; ++j) {
    arrays.Vertices.push_back(MakeVertex(mesh, j, Influences[j], sources));
    const SkinnedVertex& vertex = arrays.Vertices.back();
    local.Add(float3{vertex.Position[0], vertex.Position[1], vertex.Position[2]});
    if (!rigid) {
      AddToBounds(vertex, nullptr, model);
      continue;
    }
    for (const MeshPlacement& placement : placements) {
      AddToBounds(vertex, &placement.Transform, model);
    }
  }
  // Indices stay local to the mesh, whose vertices 16 bits reach (see MaxVerticesPerMesh).
  for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
    const unsigned int* face = mesh.mFaces[f].mIndices;
    arrays.Indices.insert(arrays.Indices.end(), {static_cast<uint16_t>(face[0]), static_cast<uint16_t>(face[1]),
                                                 static_cast<uint16_t>(face[2])});
  }
  Submesh submesh;
  submesh.IndexCount = 3 * mesh.mNumFaces;
  submesh.FirstIndex = static_cast<uint32_t>(arrays.Indices.size()) - submesh.IndexCount;
  submesh.BaseVertex = static_cast<int32_t>(arrays.Vertices.size() - mesh.mNumVertices);
  submesh.Material = mesh.mMaterialIndex;
  submesh.LocalBounds = local;
  // The bone palette poses a skinned mesh wherever its nodes are, so it is drawn once whatever number of
  // nodes name it; a rigid mesh is drawn at every node that names it.
  if (!rigid) {
    model.Submeshes.push_back(submesh);
    return;
  }
  for (const MeshPlacement& placement : placements) {
    submesh.Transform = placement.Transform;
    submesh.Node = placement.Node;
    model.Submeshes.push_back(submesh);
  }
}

void ModelLoader::UploadArrays(ModelArrays& arrays, Model& model) {
  const uint64_t vertexBytes = uint64_t{VertexSize} * arrays.Vertices.size();
  const uint64_t indexBytes = uint64_t{sizeof(uint16_t)} * arrays.Indices.size();
  // A model without vertices (or without faces) has no buffer to fill: a buffer of zero bytes is invalid.
  if (vertexBytes > 0) {
    model.VertexBuffer = CreateGpuBuffer(arrays.Vertices.data(), vertexBytes, &model.VertexUpload);
  }
  if (FreeCopiesEarly) {
    arrays.Vertices = {};
  }
  if (indexBytes > 0) {
    model.IndexBuffer = CreateGpuBuffer(arrays.Indices.data(), indexBytes, &model.IndexUpload);
  }
  model.VertexBufferSize = static_cast<uint32_t>(vertexBytes);
  model.VertexStride = VertexSize;
  model.IndexFormat = DXGI_FORMAT_R16_UINT;
  model.IndexBufferSize = static_cast<uint32_t>(indexBytes);
}
