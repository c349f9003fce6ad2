#include "content/ViewerImportSteps.h"

#include "content/SceneImport.h"

#include <assimp/mesh.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace {

// What the importer cannot do without: triangles, points and lines in meshes of their own, a normal for every
// vertex (smooth where the file has none), at most four weights per vertex, the left-handed frame and flipped
// texture v the engine is written for, texture coordinates for other mappings, and indices Assimp checked
// against their vertex arrays. Left out, as nothing reads what they make or they rebuild what arrives
// usable: tangents, cache-order reindexing, the search for degenerate faces, invalid data and instances, and
// the merging of meshes.
constexpr unsigned int ViewerImportFlags = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals |
                                           aiProcess_LimitBoneWeights | aiProcess_ConvertToLeftHanded |
                                           aiProcess_GenUVCoords | aiProcess_RemoveRedundantMaterials |
                                           aiProcess_ValidateDataStructure;

// After the first pass, so that the split cuts meshes whose vertices are already joined.
constexpr unsigned int ViewerSplitFlags = aiProcess_SplitLargeMeshes;
static_assert((ViewerImportFlags & (aiProcess_JoinIdenticalVertices | aiProcess_SplitLargeMeshes)) == 0,
              "joining and splitting belong to the second pass");

bool AnyMeshArrivesUnindexed(const aiScene& scene) {
  for (unsigned int m = 0; scene.mMeshes != nullptr && m < scene.mNumMeshes; ++m) {
    if (scene.mMeshes[m] != nullptr && ArrivesUnindexed(*scene.mMeshes[m])) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ArrivesUnindexed(const aiMesh& mesh) {
  if (mesh.mFaces == nullptr || mesh.mNumFaces == 0) {
    return false;
  }
  unsigned long long corners = 0;
  for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
    corners += mesh.mFaces[f].mNumIndices;
  }
  return corners <= mesh.mNumVertices;
}

const aiScene* ImportViewedScene(const std::string& path) {
  const aiScene* scene = ImportSceneWithSteps(path, ViewerImportFlags);
  // Joining is per scene in Assimp: one mesh without indices has every mesh of the file joined.
  const unsigned int more =
      AnyMeshArrivesUnindexed(*scene) ? ViewerSplitFlags | aiProcess_JoinIdenticalVertices : ViewerSplitFlags;
  return ApplyMoreSteps(scene, path, more);
}
