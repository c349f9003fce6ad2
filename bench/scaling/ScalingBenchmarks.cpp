// Viewer mode against the size of the model: the start-up (device, content, constant buffers, camera and
// the first frame) and then frame after frame, off-screen at 800 x 600, for models this program writes:
// 10k, 100k and 1M triangles in one mesh; 1, 16, 100 and 1000 meshes; 1 and 96 bones. Arguments of each
// run: triangles, meshes, bones.
#include "anim/Animation.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "core/FrameTimer.h"
#include "render/Renderer.h"

#include <windows.h>

#include <assimp/cexport.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A square grid of about `triangles` triangles in the z = 0 plane at x offset `x`, its vertices shared
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
      mesh->mNormals[v] = {0.0f, 0.0f, -1.0f};
      mesh->mTextureCoords[0][v] = {u, w, 0.0f};
    }
  }
  mesh->mNumFaces = 2 * side * side;
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned row = 0, f = 0; row < side; ++row) {
    for (unsigned column = 0; column < side; ++column) {
      const unsigned a = row * (side + 1) + column, b = a + 1, c = a + side + 1, d = c + 1;
      for (const auto& corners : {std::array<unsigned, 3>{a, c, b}, std::array<unsigned, 3>{b, c, d}}) {
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

// Writes the model (ASCII FBX, which Assimp reads back) once and returns its path.
std::string ModelFile(unsigned triangles, unsigned meshes, unsigned bones) {
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("scaling_" + std::to_string(triangles) + "_" + std::to_string(meshes) + "_" + std::to_string(bones) + ".fbx"))
          .string();
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
    auto* node = new aiNode("Part" + std::to_string(m));
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{m};
    scene.mRootNode->addChildren(1, &node);
  }
  if (bones > 0) {
    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation* [1] { MakeChainTurn(*scene.mRootNode, bones) };
  }
  if (aiExportScene(&scene, "fbxa", path.c_str(), 0) != AI_SUCCESS) {
    std::fprintf(stderr, "scaling_bench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return path;
}

struct Viewer {
  Renderer* renderer = nullptr;
  FrameTimer timer;
};

// Viewer mode's start-up as Run does it, through the first frame and the first resize.
Viewer StartViewer(const std::string& model) {
  Viewer viewer;
  viewer.renderer = new Renderer(CreateMainWindow(GetModuleHandleW(nullptr)));
  viewer.renderer->ModelPath = model;
  viewer.renderer->InitDirect3D();
  viewer.renderer->LoadContent();
  viewer.renderer->CreateConstantBuffers();
  viewer.renderer->SetupCamera();
  viewer.timer.Restart();
  ActiveRenderer = viewer.renderer;
  RunFrame(*viewer.renderer, viewer.timer);
  ApplyPendingResize(*viewer.renderer);
  return viewer;
}

void StopViewer(Viewer& viewer) {
  ActiveRenderer = nullptr;
  viewer.renderer->FlushCommandQueue();
  DestroyWindow(viewer.renderer->Window);
  // Like the program, the Renderer's GPU objects are not released one by one: the process ends soon.
}

void Arguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"triangles", "meshes", "bones"});
  for (const long triangles : {10000L, 100000L, 1000000L}) {
    benchmark->Args({triangles, 1, 0});
  }
  for (const long meshes : {16L, 100L, 1000L}) {
    benchmark->Args({10000, meshes, 0});
  }
  for (const long bones : {1L, 96L}) {
    benchmark->Args({10000, 1, bones});
  }
}

void BM_ViewerStartUp(benchmark::State& state) {
  const std::string model = ModelFile(static_cast<unsigned>(state.range(0)), static_cast<unsigned>(state.range(1)),
                                      static_cast<unsigned>(state.range(2)));
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    Viewer viewer = StartViewer(model);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    StopViewer(viewer);
  }
}
BENCHMARK(BM_ViewerStartUp)->Apply(Arguments)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ViewerFrame(benchmark::State& state) {
  const std::string model = ModelFile(static_cast<unsigned>(state.range(0)), static_cast<unsigned>(state.range(1)),
                                      static_cast<unsigned>(state.range(2)));
  Viewer viewer = StartViewer(model);
  for (auto _ : state) {
    RunFrame(*viewer.renderer, viewer.timer);
  }
  StopViewer(viewer);
}
BENCHMARK(BM_ViewerFrame)->Apply(Arguments)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The in-memory window: the swap chain renders off-screen, with or without a display.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (chdir(ENGINE_RUN_DIR) != 0) {
    std::fprintf(stderr, "scaling_bench: cannot enter the run folder %s\n", ENGINE_RUN_DIR);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
