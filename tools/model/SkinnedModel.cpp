#include "SkinnedModel.h"

#include <string>

namespace {

// Mirrors the importer's rule: a slot is free while its weight is exactly zero; a fifth influence is lost.
void AddInfluence(ToolVertex& vertex, unsigned bone, float weight, unsigned& dropped) {
  for (int slot = 0; slot < 4; ++slot) {
    if (vertex.BoneWeights[slot] == 0.0f) {
      vertex.BoneIndices[slot] = static_cast<std::uint16_t>(bone);
      vertex.BoneWeights[slot] = weight;
      return;
    }
  }
  ++dropped;
}

unsigned BoneIndexFor(SkinnedModel& model, const aiBone& bone) {
  const std::string name = bone.mName.C_Str();
  auto [entry, added] = model.BoneIndexByName.try_emplace(name, static_cast<unsigned>(model.OffsetMatrices.size()));
  if (added) {
    model.OffsetMatrices.emplace_back();
  }
  model.OffsetMatrices[entry->second] = bone.mOffsetMatrix;  // a later mesh's offset wins, as in the engine
  return entry->second;
}

bool CheckDrawable(const aiMesh& mesh, std::vector<std::string>& problems) {
  const std::string name = mesh.mName.C_Str();
  if (mesh.mPrimitiveTypes != aiPrimitiveType_TRIANGLE) {
    problems.push_back("mesh '" + name + "' holds primitives other than triangles");
    return false;
  }
  if (!mesh.HasNormals() || !mesh.HasTextureCoords(0)) {
    problems.push_back("mesh '" + name + "' lacks normals or texture coordinate set 0");
    return false;
  }
  if (mesh.mNumVertices > 65536) {
    problems.push_back("mesh '" + name + "' has more vertices than 16-bit indices reach");
  }
  return true;
}

void AppendMesh(SkinnedModel& model, const aiMesh& mesh) {
  const unsigned baseVertex = static_cast<unsigned>(model.Vertices.size());
  model.Vertices.resize(baseVertex + mesh.mNumVertices);
  for (unsigned j = 0; j < mesh.mNumVertices; ++j) {
    ToolVertex& vertex = model.Vertices[baseVertex + j];
    vertex.Position = mesh.mVertices[j];
    vertex.Normal = mesh.mNormals[j];
    vertex.TexCoord = aiVector2D(mesh.mTextureCoords[0][j].x, mesh.mTextureCoords[0][j].y);
  }
  for (unsigned b = 0; b < mesh.mNumBones; ++b) {
    const aiBone& bone = *mesh.mBones[b];
    const unsigned boneIndex = BoneIndexFor(model, bone);
    for (unsigned w = 0; w < bone.mNumWeights; ++w) {
      const aiVertexWeight& weight = bone.mWeights[w];
      if (weight.mVertexId < mesh.mNumVertices) {
        AddInfluence(model.Vertices[baseVertex + weight.mVertexId], boneIndex, weight.mWeight, model.DroppedInfluences);
      }
    }
  }
  const unsigned firstIndex = static_cast<unsigned>(model.Indices.size());
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    for (unsigned k = 0; k < 3; ++k) {
      model.Indices.push_back(mesh.mFaces[f].mIndices[k]);
    }
  }
  model.Submeshes.push_back({mesh.mName.C_Str(), firstIndex, 3 * mesh.mNumFaces, baseVertex, mesh.mNumVertices});
}

}  // namespace

SkinnedModel FlattenScene(const aiScene& scene) {
  SkinnedModel model;
  model.InverseRootTransform = scene.mRootNode->mTransformation;
  model.InverseRootTransform.Inverse();
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    if (CheckDrawable(*scene.mMeshes[m], model.Problems)) {
      AppendMesh(model, *scene.mMeshes[m]);
    }
  }
  return model;
}
