// Viewer mode's rigid meshes: placed by their nodes' animated transformations every frame, drawn once per
// node that names them, and framed over the whole animation.
#include "anim/Animation.h"
#include "anim/ModelBounds.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"
#include "support/ScratchFolder.h"
#include "support/TestScenes.h"

#include <assimp/cimport.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

using namespace test_scenes;

namespace {

constexpr float HalfSqrt2 = 0.70710678f;

// Where the row-vector matrix takes the point.
float3 Place(const float4x4& m, float3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

void ExpectPoint(float3 actual, float3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-4f);
  EXPECT_NEAR(actual.y, expected.y, 1e-4f);
  EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

// The mesh posed at `seconds` and its items placed as the viewer places them each frame.
void PoseAt(Mesh& mesh, double seconds) {
  std::vector<float4x4> palette;
  UpdateAnimation(mesh.Geometry, TimerAtPreviousFrame(seconds), palette);
  FollowAnimatedNodes(mesh);
}

// Root (moved up 10) > Spinner (at x 5, turning a quarter about x at tick 1 and back at tick 2) > Arm (at
// x 1), and Root > Still (at x -4). Arm and Still draw the same mesh; the scene has no bones.
std::unique_ptr<aiScene> SpinnerScene() {
  auto* root = new aiNode("Root");
  root->mTransformation = TranslationMatrix(0.0f, 10.0f, 0.0f);
  aiNode* spinner = AddChild(*root, "Spinner", TranslationMatrix(5.0f, 0.0f, 0.0f));
  aiNode* arm = AddChild(*spinner, "Arm", TranslationMatrix(1.0f, 0.0f, 0.0f));
  aiNode* still = AddChild(*root, "Still", TranslationMatrix(-4.0f, 0.0f, 0.0f));
  for (aiNode* node : {arm, still}) {
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned int[1]{0};
  }
  auto scene = MakeScene({MakeMesh(3, RepeatedFaces(1))}, root);  // positions (0,0,0), (1,2,3), (2,4,6)
  const aiQuaternion rest;
  const aiQuaternion quarterAboutX(HalfSqrt2, HalfSqrt2, 0.0f, 0.0f);
  AddAnimation(*scene, 2.0, 1.0, {MakeChannel("Spinner", {}, {{0.0, rest}, {1.0, quarterAboutX}, {2.0, rest}}, {})});
  return scene;
}

// One triangle (0,0,0), (1,0,0), (0,1,0) drawn by three nodes at x -3, 0 and 3; the middle one turns a
// quarter about y over its one-second animation.
constexpr const char* ThreeNodesOneMeshGltf = R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0]}],
  "nodes": [
    {"name": "Root", "children": [1, 2, 3]},
    {"name": "Left", "mesh": 0, "translation": [-3, 0, 0]},
    {"name": "Turning", "mesh": 0},
    {"name": "Right", "mesh": 0, "translation": [3, 0, 0]}
  ],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
  "animations": [{"name": "Turn", "channels": [{"sampler": 0, "target": {"node": 2, "path": "rotation"}}],
                  "samplers": [{"input": 2, "output": 3, "interpolation": "LINEAR"}]}],
  "buffers": [{"byteLength": 84, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAIAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA8wQ1PwAAAADzBDU/"}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36},
                  {"buffer": 0, "byteOffset": 36, "byteLength": 6},
                  {"buffer": 0, "byteOffset": 44, "byteLength": 8},
                  {"buffer": 0, "byteOffset": 52, "byteLength": 32}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
    {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"},
    {"bufferView": 2, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [1]},
    {"bufferView": 3, "componentType": 5126, "count": 2, "type": "VEC4"}
  ]
})";

}  // namespace

TEST(RigidNodeAnimation, ItemUnderAnimatedNodeFollowsThePoseRelativeToTheRootAndOthersKeepTheBindPose) {
  const auto scene = SpinnerScene();
  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, "spinner.fbx", model);
  EXPECT_EQ(arrays.Vertices.size(), 3u);  // one mesh, read once for its two nodes
  Mesh mesh;
  mesh.AttachModel(model);
  ASSERT_EQ(mesh.DrawItems.size(), 2u);
  const float4x4 stillBind = mesh.DrawItems[1].Transform;

  PoseAt(mesh, 0.0);
  EXPECT_TRUE(mesh.DrawItems[0].FollowsAnimation);
  ExpectPoint(Place(mesh.DrawItems[0].Transform, {1, 2, 3}), {7, 2, 3});

  // A quarter turn about x takes the arm's (2, 2, 3) to (2, -3, 2) about the spinner at x 5.
  PoseAt(mesh, 1.0);
  ExpectPoint(Place(mesh.DrawItems[0].Transform, {1, 2, 3}), {7, -3, 2});
  EXPECT_FALSE(mesh.DrawItems[1].FollowsAnimation);
  ExpectPoint(Place(mesh.DrawItems[1].Transform, {1, 2, 3}), Place(stillBind, {1, 2, 3}));
  ExpectPoint(Place(stillBind, {1, 2, 3}), {-3, 2, 3});

  // The framing box reaches where the turn carries the arm (its far corner z 6 to y -6), though the
  // model has no bones to pose.
  EXPECT_FLOAT_EQ(model.BindBounds.Min.y, 0.0f);
  const BoundingBox bounds = AnimatedBounds(model);
  EXPECT_NEAR(bounds.Min.y, -6.0f, 1e-4f);
  EXPECT_NEAR(bounds.Min.x, -4.0f, 1e-4f);
  EXPECT_NEAR(bounds.Max.x, 8.0f, 1e-4f);
}

TEST(RigidNodeAnimation, ImportedMeshOfThreeNodesIsDrawnAtEachAndOnlyTheTurningOneMoves) {
  ScratchFolder folder;
  folder.WriteFile("three.gltf", ThreeNodesOneMeshGltf);
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> scene(ImportScene("three.gltf"), aiReleaseImport);
  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, "three.gltf", model);
  EXPECT_EQ(arrays.Vertices.size(), 3u);
  ASSERT_EQ(model.Submeshes.size(), 3u);
  std::set<float> columns;
  for (const Submesh& submesh : model.Submeshes) {
    EXPECT_EQ(submesh.FirstIndex, 0u);
    EXPECT_EQ(submesh.BaseVertex, 0);
    EXPECT_EQ(submesh.IndexCount, 3u);
    columns.insert(Place(submesh.Transform, {0, 0, 0}).x);
  }
  EXPECT_EQ(columns, (std::set<float>{-3.0f, 0.0f, 3.0f}));

  Mesh mesh;
  mesh.AttachModel(model);
  PoseAt(mesh, 0.0);
  std::vector<float3> start;
  for (const DrawItem& item : mesh.DrawItems) {
    start.push_back(Place(item.Transform, {1, 0, 0}));
  }
  PoseAt(mesh, 0.5);
  const auto followers = std::count_if(mesh.DrawItems.begin(), mesh.DrawItems.end(),
                                       [](const DrawItem& item) { return item.FollowsAnimation; });
  EXPECT_EQ(followers, 1);
  for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
    const float3 now = Place(mesh.DrawItems[k].Transform, {1, 0, 0});
    const float moved = std::abs(now.x - start[k].x) + std::abs(now.z - start[k].z);
    if (mesh.DrawItems[k].FollowsAnimation) {
      EXPECT_GT(moved, 0.2f) << "the turning node's triangle stood still";
    } else {
      EXPECT_EQ(moved, 0.0f) << "item " << k << " moved without an animated node";
    }
  }
}
