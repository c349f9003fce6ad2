// Writes the model files of the bad-input test: the character without its animation, and a skinned model
// with one bone more than the bone palette holds. Both are ASCII FBX files written by Assimp, which reads
// them back the way the program reads char.fbx.
// Usage: make_bad_models <char.fbx> <output folder>
#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <cstdio>
#include <string>

namespace {

// One more than the palette's 96 matrices.
constexpr unsigned BoneCount = 97;

bool Export(const aiScene& scene, const std::string& path) {
  if (aiExportScene(&scene, "fbxa", path.c_str(), 0) != AI_SUCCESS) {
    std::fprintf(stderr, "make_bad_models: cannot write %s: %s\n", path.c_str(), aiGetErrorString());
    return false;
  }
  return true;
}

bool WriteWithoutAnimation(const std::string& characterPath, const std::string& path) {
  const aiScene* character = aiImportFile(characterPath.c_str(), 0);
  if (character == nullptr) {
    std::fprintf(stderr, "make_bad_models: cannot read %s: %s\n", characterPath.c_str(), aiGetErrorString());
    return false;
  }
  aiScene* copy = nullptr;
  aiCopyScene(character, &copy);
  aiReleaseImport(character);
  // The animations stay allocated; only the count says there are none.
  copy->mNumAnimations = 0;
  const bool written = Export(*copy, path);
  aiFreeScene(copy);
  return written;
}

// A strip of BoneCount quads along x, each moved by a bone of its own; the bones are a chain of nodes
// under the mesh's node, and one animation turns the first of them.
aiMesh* MakeStrip() {
  auto* mesh = new aiMesh();
  mesh->mName = "Strip";
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = 0;
  mesh->mNumVertices = BoneCount * 4;
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
  mesh->mNumUVComponents[0] = 2;
  mesh->mNumFaces = BoneCount * 2;
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  mesh->mNumBones = BoneCount;
  mesh->mBones = new aiBone*[BoneCount];
  for (unsigned b = 0; b < BoneCount; ++b) {
    const unsigned first = b * 4;
    const float x = static_cast<float>(b) * 0.02f - 1.0f;
    const aiVector3D corners[4] = {{x, -0.5f, 0}, {x + 0.02f, -0.5f, 0}, {x + 0.02f, 0.5f, 0}, {x, 0.5f, 0}};
    for (unsigned c = 0; c < 4; ++c) {
      mesh->mVertices[first + c] = corners[c];
      mesh->mNormals[first + c] = {0, 0, -1};
      mesh->mTextureCoords[0][first + c] = {corners[c].x, corners[c].y, 0};
    }
    for (unsigned f = 0; f < 2; ++f) {
      aiFace& face = mesh->mFaces[b * 2 + f];
      face.mNumIndices = 3;
      face.mIndices = new unsigned[3]{first, first + 1 + f, first + 2 + f};
    }
    auto* bone = new aiBone();
    bone->mName = "Bone" + std::to_string(b);
    bone->mNumWeights = 4;
    bone->mWeights = new aiVertexWeight[4];
    for (unsigned c = 0; c < 4; ++c) {
      bone->mWeights[c] = aiVertexWeight(first + c, 1.0f);
    }
    mesh->mBones[b] = bone;
  }
  return mesh;
}

aiNode* MakeBoneChain(aiNode* parent, unsigned index) {
  auto* node = new aiNode("Bone" + std::to_string(index));
  node->mParent = parent;
  if (index + 1 < BoneCount) {
    node->mNumChildren = 1;
    node->mChildren = new aiNode* [1] { MakeBoneChain(node, index + 1) };
  }
  return node;
}

aiAnimation* MakeTurnOfTheFirstBone() {
  auto* channel = new aiNodeAnim();
  channel->mNodeName = "Bone0";
  channel->mNumPositionKeys = 1;
  channel->mPositionKeys = new aiVectorKey[1]{aiVectorKey(0.0, aiVector3D(0, 0, 0))};
  channel->mNumRotationKeys = 2;
  channel->mRotationKeys =
      new aiQuatKey[2]{aiQuatKey(0.0, aiQuaternion()), aiQuatKey(24.0, aiQuaternion(aiVector3D(0, 1, 0), 1.0f))};
  channel->mNumScalingKeys = 1;
  channel->mScalingKeys = new aiVectorKey[1]{aiVectorKey(0.0, aiVector3D(1, 1, 1))};
  auto* animation = new aiAnimation();
  animation->mName = "Turn";
  animation->mDuration = 24.0;
  animation->mTicksPerSecond = 24.0;
  animation->mNumChannels = 1;
  animation->mChannels = new aiNodeAnim* [1] { channel };
  return animation;
}

bool WriteTooManyBones(const std::string& path) {
  aiScene scene;
  scene.mNumMaterials = 1;
  scene.mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene.mNumMeshes = 1;
  scene.mMeshes = new aiMesh* [1] { MakeStrip() };
  scene.mRootNode = new aiNode("Root");
  auto* stripNode = new aiNode("Strip");
  stripNode->mParent = scene.mRootNode;
  stripNode->mNumMeshes = 1;
  stripNode->mMeshes = new unsigned[1]{0};
  scene.mRootNode->mNumChildren = 2;
  scene.mRootNode->mChildren = new aiNode* [2] { stripNode, MakeBoneChain(scene.mRootNode, 0) };
  scene.mNumAnimations = 1;
  scene.mAnimations = new aiAnimation* [1] { MakeTurnOfTheFirstBone() };
  return Export(scene, path);  // aiScene's destructor frees the rest
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_bad_models <char.fbx> <output folder>\n");
    return 2;
  }
  const std::string folder = argv[2];
  const bool written =
      WriteWithoutAnimation(argv[1], folder + "/no-animation.fbx") && WriteTooManyBones(folder + "/too-many-bones.fbx");
  return written ? 0 : 1;
}
