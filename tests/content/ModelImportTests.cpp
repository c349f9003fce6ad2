// The CPU side of the model import on scenes built in memory: bone slots, shared bones, submesh ranges,
// index wrapping, channels, and the meshes and files the importer refuses.
#include "content/ModelFileError.h"
#include "content/ModelLoader.h"
#include "support/TestScenes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace test_scenes;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

struct Imported {
  ModelLoader Loader;
  Model Result;
  ModelArrays Arrays;
};

Imported Read(const aiScene& scene) {
  Imported imported;
  imported.Arrays = imported.Loader.ReadScene(scene, "scene.fbx", imported.Result);
  return imported;
}

std::vector<float> Weights(const SkinnedVertex& v) { return {v.Weights, v.Weights + 4}; }
std::vector<float> Bones(const SkinnedVertex& v) { return {v.BoneIndices, v.BoneIndices + 4}; }

}  // namespace

TEST(ModelImport, VertexTakesFirstFourInfluencesInBoneThenWeightOrderWithoutRenormalising) {
  aiMesh* mesh = MakeMesh(2);
  AddBone(*mesh, "A", {{0, 0.5f}, {1, 0.0f}});  // a zero weight leaves the slot free
  AddBone(*mesh, "B", {{0, 0.25f}, {1, 0.75f}});
  AddBone(*mesh, "C", {{0, 0.125f}});
  AddBone(*mesh, "D", {{0, 0.0625f}});
  AddBone(*mesh, "E", {{0, 0.03125f}});  // a fifth influence is dropped
  const auto scene = MakeScene({mesh});
  const Imported imported = Read(*scene);

  const SkinnedVertex& first = imported.Arrays.Vertices[0];
  EXPECT_THAT(Bones(first), ElementsAre(0, 1, 2, 3));
  EXPECT_THAT(Weights(first), ElementsAre(0.5f, 0.25f, 0.125f, 0.0625f));
  const SkinnedVertex& second = imported.Arrays.Vertices[1];
  EXPECT_THAT(Bones(second), ElementsAre(1, 0, 0, 0));
  EXPECT_THAT(Weights(second), ElementsAre(0.75f, 0, 0, 0));
  EXPECT_EQ(imported.Result.BoneCount, 5u);
}

TEST(ModelImport, VertexCarriesPositionTexCoordNormalAndOpaqueWhite) {
  const auto scene = MakeScene({MakeMesh(3)});
  const Imported imported = Read(*scene);
  const SkinnedVertex& v = imported.Arrays.Vertices[2];
  EXPECT_THAT(v.Position, ElementsAre(2, 4, 6));
  EXPECT_THAT(v.TexCoord, ElementsAre(2, -2));
  EXPECT_THAT(v.Normal, ElementsAre(0, 1, 0));
  EXPECT_THAT(v.Color, ElementsAre(1, 1, 1, 1));
}

TEST(ModelImport, BoneSharedByTwoMeshesHasOneIndexAndTheLaterOffset) {
  aiMesh* body = MakeMesh(1);
  AddBone(*body, "Hips", {{0, 1}});
  AddBone(*body, "Neck", {{0, 0}}, TranslationMatrix(1, 0, 0));
  aiMesh* head = MakeMesh(1);
  AddBone(*head, "Neck", {{0, 1}}, TranslationMatrix(0, 2, 0));
  const auto scene = MakeScene({body, head});
  const Imported imported = Read(*scene);

  EXPECT_EQ(imported.Result.BoneCount, 2u);
  EXPECT_EQ(imported.Result.BoneIndexByName.at("Neck"), 1u);
  EXPECT_EQ(imported.Arrays.Vertices[1].BoneIndices[0], 1.0f);
  const float4x4& offset = imported.Result.BoneInfos[1].OffsetMatrix;
  EXPECT_EQ(offset.m[0][3], 0.0f);  // translation in column 3: Assimp's layout, not transposed
  EXPECT_EQ(offset.m[1][3], 2.0f);
  EXPECT_EQ(imported.Result.BoneInfos[0].SkinMatrix.m[3][3], 1.0f);
}

TEST(ModelImport, SubmeshesPlaceEachMeshInTheSharedBuffersWithLocalIndices) {
  std::vector<Face> second(20, Face{49, 48, 0});
  const auto scene = MakeScene({MakeMesh(100, RepeatedFaces(30)), MakeMesh(4), MakeMesh(50, second)});
  const Imported imported = Read(*scene);

  const auto& submeshes = imported.Result.Submeshes;
  ASSERT_EQ(submeshes.size(), 3u);
  EXPECT_EQ(std::tie(submeshes[0].IndexCount, submeshes[0].FirstIndex, submeshes[0].BaseVertex),
            std::make_tuple(90u, 0u, 0));
  // A mesh without faces takes no index space.
  EXPECT_EQ(std::tie(submeshes[1].IndexCount, submeshes[1].FirstIndex, submeshes[1].BaseVertex),
            std::make_tuple(0u, 90u, 100));
  EXPECT_EQ(std::tie(submeshes[2].IndexCount, submeshes[2].FirstIndex, submeshes[2].BaseVertex),
            std::make_tuple(60u, 90u, 104));
  EXPECT_THAT(std::vector<uint16_t>(imported.Arrays.Indices.begin() + 90, imported.Arrays.Indices.begin() + 93),
              ElementsAre(49, 48, 0));
  EXPECT_EQ(imported.Arrays.Vertices.size(), 154u);
  EXPECT_EQ(imported.Arrays.Indices.size(), 150u);
}

TEST(ModelImport, ChannelsComeFromTheFirstAnimationAndALaterDuplicateWins) {
  const auto scene = MakeScene({MakeMesh(1)});
  aiNodeAnim* early = MakeChannel("Hips", {{0, {}}}, {}, {});
  aiNodeAnim* late = MakeChannel("Hips", {{0, {}}}, {}, {});
  AddAnimation(*scene, 10, 0, {early, late});
  AddAnimation(*scene, 10, 0, {MakeChannel("Other", {{0, {}}}, {}, {})});
  const Imported imported = Read(*scene);
  ASSERT_EQ(imported.Result.ChannelByNode.size(), 1u);
  EXPECT_EQ(imported.Result.ChannelByNode.at("Hips"), late);
}

TEST(ModelImport, InverseRootTransformIsAssimpsInverseWithNaNForASingularRoot) {
  auto scene = MakeScene({MakeMesh(1)});
  scene->mRootNode->mTransformation = TranslationMatrix(1, 2, 3);
  EXPECT_EQ(Read(*scene).Result.InverseRootTransform.m[1][3], -2.0f);

  scene->mRootNode->mTransformation = aiMatrix4x4(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  const float4x4 inverse = Read(*scene).Result.InverseRootTransform;
  for (const auto& row : inverse.m) {
    for (float value : row) {
      EXPECT_TRUE(std::isnan(value));
    }
  }
}

// The importer's answers to files and meshes it cannot use.

TEST(ModelImportRefusal, UnusableMeshesAreSkippedWithALineAndTheRestImported) {
  aiMesh* lines = MakeMesh(3);
  lines->mPrimitiveTypes = aiPrimitiveType_LINE;
  lines->mNumFaces = 1;
  lines->mFaces = new aiFace[1];
  lines->mFaces[0].mNumIndices = 2;
  lines->mFaces[0].mIndices = new unsigned int[2]{0, 1};
  lines->mName = aiString("Outline");
  aiMesh* noNormals = MakeMesh(3, RepeatedFaces(1));
  delete[] noNormals->mNormals;
  noNormals->mNormals = nullptr;
  // The import splits larger meshes; one that still arrives would need indices past 16 bits.
  aiMesh* tooLarge = MakeMesh(65537, {{65536, 0, 1}});
  const auto scene = MakeScene({lines, noNormals, MakeMesh(5, RepeatedFaces(2)), tooLarge});

  testing::internal::CaptureStderr();
  const Imported imported = Read(*scene);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_THAT(errors, HasSubstr("scene.fbx: mesh 0 \"Outline\" skipped: its faces are points or lines"));
  EXPECT_THAT(errors, HasSubstr("mesh 1 \"\" skipped: it has no normals"));
  EXPECT_THAT(errors, HasSubstr("mesh 3 \"\" skipped: it has more vertices than 16-bit indices reach"));
  ASSERT_EQ(imported.Result.Submeshes.size(), 1u);
  EXPECT_EQ(imported.Result.Submeshes[0].IndexCount, 6u);
  EXPECT_EQ(imported.Arrays.Vertices.size(), 5u);
  EXPECT_NE(imported.Result.Scene, nullptr);
}

TEST(ModelImportRefusal, WeightNamingAVertexOutsideTheMeshIsIgnored) {
  aiMesh* mesh = MakeMesh(2);
  AddBone(*mesh, "Hips", {{2, 0.5f}, {1000000, 0.5f}, {1, 1.0f}});
  const auto scene = MakeScene({mesh});
  const Imported imported = Read(*scene);
  EXPECT_THAT(Weights(imported.Arrays.Vertices[0]), ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(Weights(imported.Arrays.Vertices[1]), ElementsAre(1, 0, 0, 0));
}

TEST(ModelImportRefusal, MoreBonesThanThePaletteHoldsRefuseTheModel) {
  aiMesh* fits = MakeMesh(1);
  aiMesh* tooMany = MakeMesh(1);
  for (uint32_t b = 0; b <= MaxBones; ++b) {
    const std::string name = "Bone" + std::to_string(b);
    if (b < MaxBones) AddBone(*fits, name, {{0, 0.01f}});
    AddBone(*tooMany, name, {{0, 0.01f}});
  }
  const auto fitting = MakeScene({fits});
  EXPECT_EQ(Read(*fitting).Result.BoneCount, MaxBones);

  const auto scene = MakeScene({tooMany});
  EXPECT_THAT([&] { Read(*scene); },
              testing::ThrowsMessage<ModelFileError>(
                  testing::StrEq("scene.fbx: the model has 97 bones, more than the 96 the bone palette holds")));
}

TEST(ModelImportRefusal, SceneWithoutMeshesOrAnimationsStillKeepsItsScene) {
  const auto scene = MakeScene({});
  const Imported imported = Read(*scene);
  EXPECT_EQ(imported.Result.Scene, scene.get());
  EXPECT_TRUE(imported.Result.Submeshes.empty());
  EXPECT_TRUE(imported.Result.ChannelByNode.empty());
  EXPECT_EQ(imported.Result.BoneCount, 0u);
}
