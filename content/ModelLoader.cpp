#include "content/ModelLoader.h"

#include "content/AssimpConversions.h"
#include "content/ModelFileError.h"
#include "content/SceneImport.h"
#include "core/ConsoleOutput.h"

#include <assimp/anim.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <iostream>
#include <memory>

namespace {

constexpr uint32_t VertexSize = sizeof(SkinnedVertex);

// The first animation's channels by the name of the node each drives; a later channel for the same node
// replaces an earlier one. A scene without animations has no channels: every node keeps its own
// transformation and the model stands in its bind pose.
void MapChannels(const aiScene& scene, Model& model) {
  if (scene.mNumAnimations == 0 || scene.mAnimations == nullptr || scene.mAnimations[0] == nullptr) {
    return;
  }
  const aiAnimation& animation = *scene.mAnimations[0];
  if (animation.mChannels == nullptr) {
    return;
  }
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

SkinnedVertex MakeVertex(const aiMesh& mesh, unsigned int j, const VertexInfluences& influences) {
  SkinnedVertex vertex;
  const aiVector3D& position = mesh.mVertices[j];
  const aiVector3D& texCoord = mesh.mTextureCoords[0][j];
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

}  // namespace

Model ModelLoader::LoadModel(const std::string& path) {
  // Released if the scene is refused; otherwise the model keeps it for the rest of the run.
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> scene(ImportScene(path), aiReleaseImport);
  Model model;
  const ModelArrays arrays = ReadScene(*scene, path, model);
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
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    if (const aiMesh* mesh = UsableMesh(scene, m, path)) {
      AppendMesh(*mesh, arrays, model);
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

void ModelLoader::AppendMesh(const aiMesh& mesh, ModelArrays& arrays, Model& model) {
  CollectBones(mesh);
  for (unsigned int j = 0; j < mesh.mNumVertices; ++j) {
    arrays.Vertices.push_back(MakeVertex(mesh, j, Influences[j]));
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
  model.Submeshes.push_back(submesh);
}

void ModelLoader::UploadArrays(const ModelArrays& arrays, Model& model) {
  const uint64_t vertexBytes = uint64_t{VertexSize} * arrays.Vertices.size();
  const uint64_t indexBytes = uint64_t{sizeof(uint16_t)} * arrays.Indices.size();
  // A model without vertices (or without faces) has no buffer to fill: a buffer of zero bytes is invalid.
  if (vertexBytes > 0) {
    model.VertexBuffer = CreateGpuBuffer(arrays.Vertices.data(), vertexBytes, &model.VertexUpload);
  }
  if (indexBytes > 0) {
    model.IndexBuffer = CreateGpuBuffer(arrays.Indices.data(), indexBytes, &model.IndexUpload);
  }
  model.VertexBufferSize = static_cast<uint32_t>(vertexBytes);
  model.VertexStride = VertexSize;
  model.IndexFormat = DXGI_FORMAT_R16_UINT;
  model.IndexBufferSize = static_cast<uint32_t>(indexBytes);
}
