#pragma once
// The imported character flattened the way the engine's importer flattens it: one vertex array and one
// index array for all meshes, four bone slots per vertex filled in the order the bones list them.

#include <assimp/scene.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ToolVertex {
  aiVector3D Position;
  aiVector3D Normal;
  aiVector2D TexCoord;
  std::uint16_t BoneIndices[4] = {0, 0, 0, 0};
  float BoneWeights[4] = {0, 0, 0, 0};
};

struct ToolSubmesh {
  std::string Name;
  unsigned FirstIndex = 0;
  unsigned IndexCount = 0;
  unsigned BaseVertex = 0;
  unsigned VertexCount = 0;
};

struct SkinnedModel {
  std::vector<ToolVertex> Vertices;
  std::vector<std::uint32_t> Indices;  // local to their submesh, as the engine stores them
  std::vector<ToolSubmesh> Submeshes;
  std::vector<aiMatrix4x4> OffsetMatrices;
  std::map<std::string, unsigned> BoneIndexByName;
  aiMatrix4x4 InverseRootTransform;
  unsigned DroppedInfluences = 0;     // weights beyond the fourth slot of a vertex
  std::vector<std::string> Problems;  // meshes the engine could not draw, with the reason
};

SkinnedModel FlattenScene(const aiScene& scene);
