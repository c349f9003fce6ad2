#include "content/LoadLeftovers.h"

#include "content/Model.h"

#include <assimp/mesh.h>
#include <assimp/scene.h>

namespace {

template <typename T>
size_t FreeArray(T*& array, size_t count) {
  if (array == nullptr) {
    return 0;
  }
  delete[] array;
  array = nullptr;
  return count * sizeof(T);
}

size_t FreeFaces(aiMesh& mesh) {
  if (mesh.mFaces == nullptr) {
    return 0;
  }
  size_t bytes = size_t{mesh.mNumFaces} * sizeof(aiFace);
  for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
    bytes += size_t{mesh.mFaces[f].mNumIndices} * sizeof(unsigned int);
  }
  // aiFace's destructor frees its indices.
  delete[] mesh.mFaces;
  mesh.mFaces = nullptr;
  return bytes;
}

size_t FreeMeshArrays(aiMesh& mesh) {
  const size_t vertices = mesh.mNumVertices;
  size_t bytes = FreeArray(mesh.mVertices, vertices) + FreeArray(mesh.mNormals, vertices) +
                 FreeArray(mesh.mTangents, vertices) + FreeArray(mesh.mBitangents, vertices) + FreeFaces(mesh);
  for (aiVector3D*& set : mesh.mTextureCoords) {
    bytes += FreeArray(set, vertices);
  }
  for (aiColor4D*& set : mesh.mColors) {
    bytes += FreeArray(set, vertices);
  }
  for (unsigned int b = 0; mesh.mBones != nullptr && b < mesh.mNumBones; ++b) {
    if (mesh.mBones[b] != nullptr) {
      bytes += FreeArray(mesh.mBones[b]->mWeights, mesh.mBones[b]->mNumWeights);
    }
  }
  return bytes;
}

}  // namespace

void ReleaseUploadBuffers(Model& model) {
  for (ID3D12Resource** upload : {&model.VertexUpload, &model.IndexUpload}) {
    if (*upload != nullptr) {
      (*upload)->Release();
      *upload = nullptr;
    }
  }
}

size_t ReleaseVertexArrays(const aiScene& scene) {
  size_t bytes = 0;
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    aiMesh* mesh = scene.mMeshes[m];
    if (mesh != nullptr && mesh->mNumAnimMeshes == 0) {
      bytes += FreeMeshArrays(*mesh);
    }
  }
  return bytes;
}
