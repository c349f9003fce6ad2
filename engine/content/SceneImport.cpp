#include "content/SceneImport.h"

#include "content/ModelFileError.h"

#include <assimp/cimport.h>
#include <assimp/config.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>

#include <limits>

static_assert((ModelImportFlags & aiProcess_SplitLargeMeshes) != 0, "the import steps must split large meshes");

const aiScene* ImportScene(const std::string& path) { return ImportSceneWithSteps(path, ModelImportFlags); }

const aiScene* ImportSceneWithSteps(const std::string& path, unsigned int steps) {
  // Indices are 16 bits and local to their mesh, so the large-mesh split among the import steps cuts
  // meshes at what 16 bits can index rather than at its default of a million vertices. Splitting by
  // triangles is left to that cut: Assimp's triangle split gives every corner a vertex of its own, which
  // would triple a big indexed mesh before anything joins its vertices again.
  aiPropertyStore* properties = aiCreatePropertyStore();
  aiSetImportPropertyInteger(properties, AI_CONFIG_PP_SLM_VERTEX_LIMIT, static_cast<int>(MaxVerticesPerMesh));
  aiSetImportPropertyInteger(properties, AI_CONFIG_PP_SLM_TRIANGLE_LIMIT, std::numeric_limits<int>::max());
  const aiScene* scene = aiImportFileExWithProperties(path.c_str(), steps, nullptr, properties);
  aiReleasePropertyStore(properties);
  if (scene == nullptr) {
    throw ModelFileError(path, std::string("cannot import the model: ") + aiGetErrorString());
  }
  return scene;
}

const aiScene* ApplyMoreSteps(const aiScene* scene, const std::string& path, unsigned int steps) {
  // The importer that read the scene keeps its properties, so the limits above hold here too; on failure
  // Assimp has released the scene already.
  const aiScene* processed = aiApplyPostProcessing(scene, steps);
  if (processed == nullptr) {
    throw ModelFileError(path, std::string("cannot import the model: ") + aiGetErrorString());
  }
  return processed;
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
  if (mesh.mNumVertices > MaxVerticesPerMesh) {
    return "it has more vertices than 16-bit indices reach";
  }
  if (mesh.mNormals == nullptr) {
    return "it has no normals";
  }
  // Triangulation leaves points and lines alone, in meshes of their own.
  if (!HasOnlyTriangles(mesh)) {
    return "its faces are points or lines, not triangles";
  }
  return nullptr;
}

bool HasDrawableMesh(const aiScene& scene) {
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    const aiMesh* mesh = scene.mMeshes[m];
    if (mesh != nullptr && mesh->mNumFaces > 0 && UnusableMeshReason(*mesh) == nullptr) {
      return true;
    }
  }
  return false;
}
