#include "ScalingModels.h"

#include <assimp/cexport.h>
#include <assimp/scene.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A square grid of about `triangles` triangles in the z = 0 plane, facing +Z, at x offset `x`, its vertices shared
// out among `bones` bones column by column, so that a turning bone bends the grid.
aiMesh* MakeGrid(unsigned triangles, unsigned bones, float x) {
  const auto side = static_cast<unsigned>(std::ceil(std::sqrt(triangles / 2.0)));
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mNumVertices = (side + 1) * (side + 1);
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
  mesh->mNumUVComponents[0] = 2;
  for (unsigned row = 0; row <= side; ++row) {
    for (unsigned column = 0; column <= side; ++column) {
      const unsigned v = row * (side + 1) + column;
      const float u = static_cast<float>(column) / side, w = static_cast<float>(row) / side;
      mesh->mVertices[v] = {x + u, w, 0.0f};
      mesh->mNormals[v] = {0.0f, 0.0f, 1.0f};
      mesh->mTextureCoords[0][v] = {u, w, 0.0f};
    }
  }
  mesh->mNumFaces = 2 * side * side;
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned row = 0, f = 0; row < side; ++row) {
    for (unsigned column = 0; column < side; ++column) {
      const unsigned a = row * (side + 1) + column, b = a + 1, c = a + side + 1, d = c + 1;
      // Counter-clockwise seen from +Z, the side the viewer's start camera looks at once the file is made
      // left-handed: turned the other way, every triangle would be culled and the frame would draw nothing.
      for (const auto& corners : {std::array<unsigned, 3>{a, b, c}, std::array<unsigned, 3>{b, d, c}}) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f++].mIndices = new unsigned[3]{corners[0], corners[1], corners[2]};
      }
    }
  }
  if (bones > 0) {
    mesh->mNumBones = bones;
    mesh->mBones = new aiBone*[bones];
    for (unsigned b = 0; b < bones; ++b) {
      auto* bone = new aiBone();
      bone->mName = "Bone" + std::to_string(b);
      std::vector<aiVertexWeight> weights;
      for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        if ((v % (side + 1)) * bones / (side + 1) == b) {
          weights.emplace_back(v, 1.0f);
        }
      }
      bone->mNumWeights = static_cast<unsigned>(weights.size());
      bone->mWeights = new aiVertexWeight[weights.size() > 0 ? weights.size() : 1];
      std::copy(weights.begin(), weights.end(), bone->mWeights);
      mesh->mBones[b] = bone;
    }
  }
  return mesh;
}

// A chain of `bones` nodes under the root, each turning a little over one second.
aiAnimation* MakeChainTurn(aiNode& root, unsigned bones) {
  auto* animation = new aiAnimation();
  animation->mDuration = 24.0;
  animation->mTicksPerSecond = 24.0;
  animation->mNumChannels = bones;
  animation->mChannels = new aiNodeAnim*[bones];
  aiNode* parent = &root;
  for (unsigned b = 0; b < bones; ++b) {
    auto* node = new aiNode("Bone" + std::to_string(b));
    parent->addChildren(1, &node);
    parent = node;
    auto* channel = new aiNodeAnim();
    channel->mNodeName = node->mName;
    // Every kind of key: Assimp's FBX reader crashes on a channel it wrote without position or scaling keys.
    channel->mNumPositionKeys = 1;
    channel->mPositionKeys = new aiVectorKey[1]{aiVectorKey(0.0, aiVector3D(0, 0, 0))};
    channel->mNumScalingKeys = 1;
    channel->mScalingKeys = new aiVectorKey[1]{aiVectorKey(0.0, aiVector3D(1, 1, 1))};
    channel->mNumRotationKeys = 2;
    channel->mRotationKeys =
        new aiQuatKey[2]{aiQuatKey(0.0, aiQuaternion()), aiQuatKey(24.0, aiQuaternion(aiVector3D(0, 1, 0), 0.01f))};
    animation->mChannels[b] = channel;
  }
  return animation;
}

}  // namespace

std::string ModelFileName(const ModelSize& size) {
  return "scaling_" + std::to_string(size.Triangles) + "_" + std::to_string(size.Meshes) + "_" +
         std::to_string(size.Bones) + (size.Glb ? ".glb" : ".fbx");
}

std::string WriteModel(const ModelSize& size, const std::filesystem::path& folder) {
  const unsigned triangles = size.Triangles, meshes = size.Meshes, bones = size.Bones;
  const std::string path = (folder / ModelFileName(size)).string();
  if (std::filesystem::exists(path)) {
    return path;
  }
  aiScene scene;
  scene.mNumMaterials = 1;
  scene.mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene.mRootNode = new aiNode("Root");
  scene.mNumMeshes = meshes;
  scene.mMeshes = new aiMesh*[meshes];
  for (unsigned m = 0; m < meshes; ++m) {
    scene.mMeshes[m] = MakeGrid(triangles / meshes, bones, 1.1f * m);
    auto* node = new aiNode("Grid" + std::to_string(m));
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{m};
    scene.mRootNode->addChildren(1, &node);
  }
  if (bones > 0) {
    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation* [1] { MakeChainTurn(*scene.mRootNode, bones) };
  }
  // Written under another name and renamed, so a run stopped half-way leaves no truncated model behind.
  const std::string partial = path + ".partial";
  if (aiExportScene(&scene, size.Glb ? "glb2" : "fbxa", partial.c_str(), 0) != AI_SUCCESS) {
    std::fprintf(stderr, "scaling_bench: cannot write %s\n", partial.c_str());
    std::exit(1);
  }
  std::filesystem::rename(partial, path);
  return path;
}

const std::vector<ModelSize>& ModelSizes() {
  static const std::vector<ModelSize> sizes = [] {
    std::vector<ModelSize> fbx = {{10000, 1, 0},   {100000, 1, 0},   {1000000, 1, 0}, {10000, 16, 0},
                                  {10000, 100, 0}, {10000, 1000, 0}, {10000, 1, 1},   {10000, 1, 96}};
    std::vector<ModelSize> both = fbx;
    for (ModelSize size : fbx) {
      size.Glb = true;
      both.push_back(size);
    }
    return both;
  }();
  return sizes;
}
