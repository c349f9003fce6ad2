#include "content/SceneImport.h"

#include "content/ModelFileError.h"

#include <assimp/cimport.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>


const aiScene* ImportScene(const std::string& path) {
  const aiScene* scene = aiImportFile(path.c_str(), ModelImportFlags);
  if (scene == nullptr) {
    throw ModelFileError(path, std::string("cannot import the model: ") + aiGetErrorString());
  }
  return scene;
}

namespace {

bool HasOnlyTriangles(const aiMesh& mesh) {
  if (mesh.mNumFaces > 0 && mesh.mFaces == nullptr) {
    return false;
  }
  for (unsigned int face = 0; face < mesh.mNumFaces; ++face) {
    if (mesh.mFaces[face].mNumIndices != 3 || mesh.mFaces[face].mIndices == nullptr) {
      return false;
    }
  }
  return true;
}

}  // namespace

const char* UnusableMeshReason(const aiMesh& mesh) {
  if (mesh.mNumVertices > 0 && mesh.mVertices == nullptr) {
    return "it has no vertex positions";
  }
  if (mesh.mNormals == nullptr) {
    return "it has no normals";
  }
  if (mesh.mTextureCoords[0] == nullptr) {
    return "it has no texture coordinates";
  }
  // Triangulation leaves points and lines alone, in meshes of their own.
  if (!HasOnlyTriangles(mesh)) {
    return "its faces are points or lines, not triangles";
  }
  return nullptr;
}
