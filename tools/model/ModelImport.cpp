#include "ModelImport.h"

#include <assimp/cimport.h>
#include <assimp/postprocess.h>

#include <cstdio>
#include <utility>

void SceneRelease::operator()(const aiScene* scene) const { aiReleaseImport(scene); }

ScenePtr ImportLikeEngine(const std::string& path) {
  const aiScene* scene = aiImportFile(path.c_str(), EngineImportFlags);
  if (scene == nullptr) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), aiGetErrorString());
  }
  return ScenePtr(scene);
}

std::string DescribeImportFlags(unsigned flags) {
  static const std::pair<unsigned, const char*> kSteps[] = {
      {aiProcess_CalcTangentSpace, "CalcTangentSpace"},
      {aiProcess_JoinIdenticalVertices, "JoinIdenticalVertices"},
      {aiProcess_MakeLeftHanded, "MakeLeftHanded"},
      {aiProcess_Triangulate, "Triangulate"},
      {aiProcess_RemoveComponent, "RemoveComponent"},
      {aiProcess_GenNormals, "GenNormals"},
      {aiProcess_GenSmoothNormals, "GenSmoothNormals"},
      {aiProcess_SplitLargeMeshes, "SplitLargeMeshes"},
      {aiProcess_PreTransformVertices, "PreTransformVertices"},
      {aiProcess_LimitBoneWeights, "LimitBoneWeights"},
      {aiProcess_ValidateDataStructure, "ValidateDataStructure"},
      {aiProcess_ImproveCacheLocality, "ImproveCacheLocality"},
      {aiProcess_RemoveRedundantMaterials, "RemoveRedundantMaterials"},
      {aiProcess_FixInfacingNormals, "FixInfacingNormals"},
      {aiProcess_SortByPType, "SortByPType"},
      {aiProcess_FindDegenerates, "FindDegenerates"},
      {aiProcess_FindInvalidData, "FindInvalidData"},
      {aiProcess_GenUVCoords, "GenUVCoords"},
      {aiProcess_TransformUVCoords, "TransformUVCoords"},
      {aiProcess_FindInstances, "FindInstances"},
      {aiProcess_OptimizeMeshes, "OptimizeMeshes"},
      {aiProcess_OptimizeGraph, "OptimizeGraph"},
      {aiProcess_FlipUVs, "FlipUVs"},
      {aiProcess_FlipWindingOrder, "FlipWindingOrder"},
      {aiProcess_SplitByBoneCount, "SplitByBoneCount"},
      {aiProcess_Debone, "Debone"},
      {aiProcess_GlobalScale, "GlobalScale"},
  };
  std::string names;
  for (const auto& [bit, name] : kSteps) {
    if ((flags & bit) != 0) {
      names += names.empty() ? "" : " ";
      names += name;
    }
  }
  return names;
}
