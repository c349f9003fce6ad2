// The per-frame cost of posing a model, per call and per node of its tree, on the character asset and on
// a chain of as many bones as the palette holds; and the time to import the character.
#include "anim/Animation.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"

#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

const std::string CharacterPath = std::string(ENGINE_ASSETS_DIR) + "/char.fbx";

unsigned int CountNodes(const aiNode& node) {
  unsigned int count = 1;
  for (unsigned int i = 0; i < node.mNumChildren; ++i) {
    count += CountNodes(*node.mChildren[i]);
  }
  return count;
}

// A root and MaxBones nodes, each the child of the one before and each a bone with its own channel of
// `keyCount` keys of every kind over one second at 30 ticks per second.
std::unique_ptr<aiScene> MakeBoneChain(unsigned int keyCount) {
  auto scene = std::make_unique<aiScene>();
  scene->mRootNode = new aiNode("Root");
  auto* mesh = new aiMesh();
  mesh->mNumVertices = 1;
  mesh->mVertices = new aiVector3D[1];
  mesh->mNormals = new aiVector3D[1];
  mesh->mTextureCoords[0] = new aiVector3D[1];
  mesh->mNumBones = MaxBones;
  mesh->mBones = new aiBone*[MaxBones];
  auto* animation = new aiAnimation();
  animation->mDuration = 30.0;
  animation->mTicksPerSecond = 30.0;
  animation->mNumChannels = MaxBones;
  animation->mChannels = new aiNodeAnim*[MaxBones];

  aiNode* parent = scene->mRootNode;
  for (unsigned int b = 0; b < MaxBones; ++b) {
    const aiString name("Bone" + std::to_string(b));
    auto* node = new aiNode(name.C_Str());
    aiMatrix4x4::Translation(aiVector3D(0, 0.05f, 0), node->mTransformation);
    parent->addChildren(1, &node);
    parent = node;

    mesh->mBones[b] = new aiBone();
    mesh->mBones[b]->mName = name;
    auto* channel = new aiNodeAnim();
    channel->mNodeName = name;
    channel->mNumPositionKeys = channel->mNumRotationKeys = channel->mNumScalingKeys = keyCount;
    channel->mPositionKeys = new aiVectorKey[keyCount];
    channel->mRotationKeys = new aiQuatKey[keyCount];
    channel->mScalingKeys = new aiVectorKey[keyCount];
    for (unsigned int k = 0; k < keyCount; ++k) {
      const double time = 30.0 * k / (keyCount - 1);
      const auto angle = static_cast<float>(0.01 * b + 0.3 * std::sin(time));
      channel->mPositionKeys[k] = aiVectorKey(time, aiVector3D(0, 0.05f, 0));
      channel->mRotationKeys[k] = aiQuatKey(time, aiQuaternion(aiVector3D(0, 0, 1), angle));
      channel->mScalingKeys[k] = aiVectorKey(time, aiVector3D(1, 1, 1));
    }
    animation->mChannels[b] = channel;
  }
  scene->mNumMeshes = 1;
  scene->mMeshes = new aiMesh* [1] { mesh };
  scene->mNumAnimations = 1;
  scene->mAnimations = new aiAnimation* [1] { animation };
  return scene;
}

// Poses the model once per iteration, one 60 Hz frame later each time, and reports the time per node.
void PoseEveryFrame(benchmark::State& state, Model& model) {
  FrameTimer timer;
  timer.CounterPeriod = 1.0 / 60.0;
  timer.FrameDelta = 1.0 / 60.0;
  std::vector<float4x4> palette;
  for (auto _ : state) {
    ++timer.CurrentCount;
    UpdateAnimation(model, timer, palette);
    benchmark::DoNotOptimize(palette.data());
  }
  const unsigned int nodes = CountNodes(*model.Scene->mRootNode);
  state.counters["nodes"] = nodes;
  state.counters["time_per_node"] =
      benchmark::Counter(nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void UpdateAnimation_BoneChain(benchmark::State& state) {
  const auto scene = MakeBoneChain(static_cast<unsigned int>(state.range(0)));
  ModelLoader loader;
  Model model;
  loader.ReadScene(*scene, "bone chain", model);
  PoseEveryFrame(state, model);
}
BENCHMARK(UpdateAnimation_BoneChain)->ArgName("keys")->Arg(2)->Arg(31)->Unit(benchmark::kMicrosecond);

void UpdateAnimation_Character(benchmark::State& state) {
  if (!std::filesystem::exists(CharacterPath)) {
    state.SkipWithError("assets/char.fbx is missing");
    return;
  }
  const aiScene* scene = ImportScene(CharacterPath);
  ModelLoader loader;
  Model model;
  loader.ReadScene(*scene, CharacterPath, model);
  PoseEveryFrame(state, model);
  aiReleaseImport(scene);
}
BENCHMARK(UpdateAnimation_Character)->Unit(benchmark::kMicrosecond);

// Assimp's import with the engine's post-processing and the building of the vertex and index arrays:
// everything LoadModel does before the GPU upload.
void ImportCharacter(benchmark::State& state) {
  if (!std::filesystem::exists(CharacterPath)) {
    state.SkipWithError("assets/char.fbx is missing");
    return;
  }
  for (auto _ : state) {
    const aiScene* scene = ImportScene(CharacterPath);
    ModelLoader loader;
    Model model;
    benchmark::DoNotOptimize(loader.ReadScene(*scene, CharacterPath, model).Vertices.data());
    aiReleaseImport(scene);
  }
}
BENCHMARK(ImportCharacter)->Unit(benchmark::kMillisecond);

}  // namespace
