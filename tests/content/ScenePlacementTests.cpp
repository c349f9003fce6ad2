// What the importer makes of scenes beyond a single skinned character: rigid meshes placed by their
// nodes, meshes without texture coordinates, and files with nothing to draw.
#include "content/ModelFileError.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"
#include "support/ScratchFolder.h"
#include "support/TestScenes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace test_scenes;
using testing::ElementsAre;

namespace {

// The node draws the given meshes of the scene.
void Draws(aiNode& node, const std::vector<unsigned int>& meshes) {
  node.mNumMeshes = static_cast<unsigned int>(meshes.size());
  node.mMeshes = new unsigned int[meshes.size()];
  std::copy(meshes.begin(), meshes.end(), node.mMeshes);
}

aiMatrix4x4 ScalingMatrix(float s) {
  aiMatrix4x4 matrix;
  aiMatrix4x4::Scaling(aiVector3D(s, s, s), matrix);
  return matrix;
}

// Where the row-vector matrix takes the point.
float3 Place(const float4x4& m, float3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

void ExpectPoint(float3 actual, float3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

Model ReadModel(const aiScene& scene) {
  ModelLoader loader;
  Model model;
  loader.ReadScene(scene, "scene.fbx", model);
  return model;
}

}  // namespace

TEST(ScenePlacement, RigidMeshesStandWhereTheirNodesPutThemRelativeToTheRoot) {
  // Three cubes: one moved, one under a scaled parent and moved again, one drawn by the root itself.
  // The root is moved too; like the bone palette, placements are relative to it.
  auto* root = new aiNode("Root");
  root->mTransformation = TranslationMatrix(100.0f, 0.0f, 0.0f);
  Draws(*AddChild(*root, "Left", TranslationMatrix(-3.0f, 0.0f, 0.0f)), {0});
  aiNode* group = AddChild(*root, "Group", ScalingMatrix(2.0f));
  Draws(*AddChild(*group, "Up", TranslationMatrix(0.0f, 1.5f, 0.0f)), {1});
  Draws(*root, {2});
  const auto scene =
      MakeScene({MakeMesh(3, RepeatedFaces(1)), MakeMesh(3, RepeatedFaces(1)), MakeMesh(3, RepeatedFaces(1))}, root);

  const Model model = ReadModel(*scene);
  ASSERT_EQ(model.Submeshes.size(), 3u);
  ExpectPoint(Place(model.Submeshes[0].Transform, {1, 1, 1}), {-2, 1, 1});
  // Scaled by the parent, then the child's move scaled with it.
  ExpectPoint(Place(model.Submeshes[1].Transform, {1, 1, 1}), {2, 5, 2});
  ExpectPoint(Place(model.Submeshes[2].Transform, {1, 1, 1}), {1, 1, 1});
}

TEST(ScenePlacement, RigidMeshIsDrawnAtEveryNodeNamingItAndSkinnedOrUnplacedMeshesOnce) {
  // The bone palette places a skinned mesh; its node's transformation must not be applied a second time,
  // nor the mesh drawn again for a second node.
  auto* root = new aiNode("Root");
  aiNode* body = AddChild(*root, "Body", TranslationMatrix(0.0f, 7.0f, 0.0f));
  Draws(*body, {0, 1});
  Draws(*AddChild(*root, "Again", TranslationMatrix(9.0f, 0.0f, 0.0f)), {1, 0});
  aiMesh* skinned = MakeMesh(3, RepeatedFaces(1));
  AddBone(*skinned, "Body", {{0, 1.0f}});
  const auto scene = MakeScene({skinned, MakeMesh(3, RepeatedFaces(2)), MakeMesh(3, RepeatedFaces(1))}, root);

  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, "scene.fbx", model);
  EXPECT_EQ(arrays.Vertices.size(), 9u);  // each mesh's vertices once, however many nodes draw it
  ASSERT_EQ(model.Submeshes.size(), 4u);
  ExpectPoint(Place(model.Submeshes[0].Transform, {1, 2, 3}), {1, 2, 3});
  EXPECT_EQ(model.Submeshes[0].Node, nullptr);
  // Mesh 1 at both of its nodes, in the order of the node tree, sharing one draw range.
  ExpectPoint(Place(model.Submeshes[1].Transform, {1, 2, 3}), {1, 9, 3});
  ExpectPoint(Place(model.Submeshes[2].Transform, {1, 2, 3}), {10, 2, 3});
  EXPECT_EQ(model.Submeshes[1].Node, body);
  for (const Submesh* instance : {&model.Submeshes[1], &model.Submeshes[2]}) {
    EXPECT_EQ(instance->FirstIndex, 3u);
    EXPECT_EQ(instance->IndexCount, 6u);
    EXPECT_EQ(instance->BaseVertex, 3);
  }
  // No node draws mesh 2: it stands once at the identity.
  ExpectPoint(Place(model.Submeshes[3].Transform, {1, 2, 3}), {1, 2, 3});
  // The bounds count every place a rigid mesh is drawn.
  EXPECT_FLOAT_EQ(model.BindBounds.Max.x, 11.0f);
  EXPECT_FLOAT_EQ(model.BindBounds.Max.y, 11.0f);
}

TEST(ScenePlacement, MeshWithoutTextureCoordinatesIsDrawnWithTheCornerOfTheTexture) {
  aiMesh* bare = MakeMesh(3, RepeatedFaces(1));
  delete[] bare->mTextureCoords[0];
  bare->mTextureCoords[0] = nullptr;
  const auto scene = MakeScene({bare});
  testing::internal::CaptureStderr();
  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, "scene.fbx", model);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(model.Submeshes.size(), 1u);
  ASSERT_EQ(arrays.Vertices.size(), 3u);
  for (const SkinnedVertex& vertex : arrays.Vertices) {
    EXPECT_THAT(vertex.TexCoord, ElementsAre(0.0f, 0.0f));
  }
  EXPECT_THAT(arrays.Vertices[2].Position, ElementsAre(2, 4, 6));
}

TEST(ScenePlacement, AFileOfPointsAndLinesOnlyStopsWithOneLineBeforeAnythingIsRead) {
  ScratchFolder folder;
  folder.WriteFile("wire.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\nl 1 2 3\n");
  ModelLoader loader;  // no device: the stop comes before any upload
  testing::internal::CaptureStderr();
  EXPECT_THAT(
      [&] { loader.LoadModel("wire.obj"); },
      testing::ThrowsMessage<ModelFileError>(testing::StrEq("wire.obj: the model has no mesh of triangles to draw")));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no line per skipped mesh on the way

  // One triangle among them is enough.
  const auto scene = MakeScene({MakeMesh(3), MakeMesh(3, RepeatedFaces(1))});
  EXPECT_TRUE(HasDrawableMesh(*scene));
  const auto empty = MakeScene({MakeMesh(3)});
  EXPECT_FALSE(HasDrawableMesh(*empty));
}

TEST(ScenePlacement, WeightsAreScaledToOneOnlyWhenTheLoaderIsToldTo) {
  aiMesh* mesh = MakeMesh(1);
  AddBone(*mesh, "A", {{0, 0.5f}});
  AddBone(*mesh, "B", {{0, 0.25f}});
  const auto scene = MakeScene({mesh});
  ModelLoader asIs;
  Model model;
  EXPECT_THAT(asIs.ReadScene(*scene, "scene.fbx", model).Vertices[0].Weights, ElementsAre(0.5f, 0.25f, 0, 0));
  ModelLoader viewer;
  viewer.NormaliseWeights = true;
  Model viewed;
  const ModelArrays arrays = viewer.ReadScene(*scene, "scene.fbx", viewed);
  EXPECT_THAT(arrays.Vertices[0].Weights, ElementsAre(2.0f / 3.0f, 1.0f / 3.0f, 0, 0));
}
