#include "content/ViewerImportSteps.h"

#include "content/SceneImport.h"

#include <assimp/mesh.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace {

// What the importer cannot do without: triangles, points and lines in meshes of their own, a normal for every
// vertex (smooth where the file has none), at most four weights per vertex, the left-handed frame and flipped
// texture v the engine is written for, texture coordinates for other mappings, and meshes cut at what 16-bit
// indices reach. Left out, as nothing reads what they make or they rebuild what arrives usable: tangents,
// cache-order reindexing, the search for degenerate faces, invalid data and instances, and the merging of
// meshes. Assimp runs the steps in its own order whatever the order of the flags, so the split comes after
// any joining.
constexpr unsigned int ViewerImportFlags = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals |
                                           aiProcess_LimitBoneWeights | aiProcess_ConvertToLeftHanded |
                                           aiProcess_GenUVCoords | aiProcess_RemoveRedundantMaterials |
                                           aiProcess_SplitLargeMeshes;
static_assert((ViewerImportFlags & aiProcess_JoinIdenticalVertices) == 0, "joining is for unindexed meshes only");

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
  // The file as it is, its indices checked against its vertex arrays, so that how it arrives can be seen
  // before triangulation shares the corners of a polygon.
  const aiScene* scene = ImportSceneWithSteps(path, aiProcess_ValidateDataStructure);
  // Joining is per scene in Assimp: one mesh without indices has every mesh of the file joined.
  const unsigned int steps =
      AnyMeshArrivesUnindexed(*scene) ? ViewerImportFlags | aiProcess_JoinIdenticalVertices : ViewerImportFlags;
  return ApplyMoreSteps(scene, path, steps);
}
