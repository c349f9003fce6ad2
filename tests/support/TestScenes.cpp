#include "support/TestScenes.h"

#include <algorithm>

namespace test_scenes {

namespace {

template <typename T>
T* CopyArray(const std::vector<T>& values) {
  if (values.empty()) {
    return nullptr;
  }
  T* copy = new T[values.size()];
  std::copy(values.begin(), values.end(), copy);
  return copy;
}

template <typename T>
void Append(T**& array, unsigned int& count, T* item) {
  T** grown = new T*[count + 1];
  std::copy(array, array + count, grown);
  grown[count] = item;
  delete[] array;
  array = grown;
  ++count;
}

}  // namespace

aiMesh* MakeMesh(unsigned int vertexCount, const std::vector<Face>& faces) {
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mNumVertices = vertexCount;
  mesh->mVertices = new aiVector3D[vertexCount];
  mesh->mNormals = new aiVector3D[vertexCount];
  mesh->mTextureCoords[0] = new aiVector3D[vertexCount];
  mesh->mNumUVComponents[0] = 2;
  for (unsigned int i = 0; i < vertexCount; ++i) {
    const auto f = static_cast<float>(i);
    mesh->mVertices[i] = aiVector3D(f, 2 * f, 3 * f);
    mesh->mNormals[i] = aiVector3D(0, 1, 0);
    mesh->mTextureCoords[0][i] = aiVector3D(f, -f, 7);
  }
  mesh->mNumFaces = static_cast<unsigned int>(faces.size());
  mesh->mFaces = faces.empty() ? nullptr : new aiFace[faces.size()];
  for (size_t i = 0; i < faces.size(); ++i) {
    mesh->mFaces[i].mNumIndices = 3;
    mesh->mFaces[i].mIndices = new unsigned int[3]{faces[i][0], faces[i][1], faces[i][2]};
  }
  return mesh;
}

std::vector<Face> RepeatedFaces(unsigned int count) { return std::vector<Face>(count, Face{0, 1, 2}); }

void AddBone(aiMesh& mesh, const std::string& name, const std::vector<aiVertexWeight>& weights,
             const aiMatrix4x4& offset) {
  auto* bone = new aiBone();
  bone->mName = aiString(name);
  bone->mNumWeights = static_cast<unsigned int>(weights.size());
  bone->mWeights = CopyArray(weights);
  bone->mOffsetMatrix = offset;
  Append(mesh.mBones, mesh.mNumBones, bone);
}

std::unique_ptr<aiScene> MakeScene(const std::vector<aiMesh*>& meshes, aiNode* root) {
  auto scene = std::make_unique<aiScene>();
  scene->mRootNode = root != nullptr ? root : new aiNode("Root");
  for (aiMesh* mesh : meshes) {
    Append(scene->mMeshes, scene->mNumMeshes, mesh);
  }
  return scene;
}

aiNode* AddChild(aiNode& parent, const std::string& name, const aiMatrix4x4& transformation) {
  auto* child = new aiNode(name);
  child->mTransformation = transformation;
  parent.addChildren(1, &child);
  return child;
}

aiNodeAnim* MakeChannel(const std::string& nodeName, const std::vector<aiVectorKey>& positions,
                        const std::vector<aiQuatKey>& rotations, const std::vector<aiVectorKey>& scalings) {
  auto* channel = new aiNodeAnim();
  channel->mNodeName = aiString(nodeName);
  channel->mNumPositionKeys = static_cast<unsigned int>(positions.size());
  channel->mPositionKeys = CopyArray(positions);
  channel->mNumRotationKeys = static_cast<unsigned int>(rotations.size());
  channel->mRotationKeys = CopyArray(rotations);
  channel->mNumScalingKeys = static_cast<unsigned int>(scalings.size());
  channel->mScalingKeys = CopyArray(scalings);
  return channel;
}

void AddAnimation(aiScene& scene, double duration, double ticksPerSecond, const std::vector<aiNodeAnim*>& channels) {
  auto* animation = new aiAnimation();
  animation->mDuration = duration;
  animation->mTicksPerSecond = ticksPerSecond;
  for (aiNodeAnim* channel : channels) {
    Append(animation->mChannels, animation->mNumChannels, channel);
  }
  Append(scene.mAnimations, scene.mNumAnimations, animation);
}

aiMatrix4x4 TranslationMatrix(float x, float y, float z) {
  aiMatrix4x4 m;
  aiMatrix4x4::Translation(aiVector3D(x, y, z), m);
  return m;
}

}  // namespace test_scenes
