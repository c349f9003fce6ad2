// The import of real files through Assimp with the engine's post-processing and the viewer's: a file written
// here, a file Assimp cannot read, and the character asset; and what the viewer gives back after loading.
#include "content/LoadLeftovers.h"
#include "content/ModelFileError.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"
#include "content/ViewerImportSteps.h"

#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using testing::HasSubstr;
using testing::StartsWith;

namespace {

// Writes the text into a file of the test's temporary directory and returns the file's path.
std::string WriteTempFile(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

// A file read the way LoadModel reads it, short of the upload to the GPU.
struct ImportedFile {
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> Scene{nullptr, aiReleaseImport};
  Model Result;
  ModelArrays Arrays;
};

using Importer = const aiScene* (*)(const std::string& path);
constexpr Importer BothImporters[] = {ImportScene, ImportViewedScene};

ImportedFile ImportFile(const std::string& path, Importer import = ImportScene) {
  ImportedFile imported;
  imported.Scene.reset(import(path));
  ModelLoader loader;
  imported.Arrays = loader.ReadScene(*imported.Scene, path, imported.Result);
  return imported;
}

}  // namespace

TEST(ModelFile, UnreadableFilesRaiseOneLineWithAssimpsReason) {
  const std::string garbage = WriteTempFile("garbage.fbx", "this is not a model\n");
  for (const std::string& path : {std::string("missing.fbx"), garbage}) {
    ModelLoader loader;
    try {
      loader.LoadModel(path);
      ADD_FAILURE() << path << " was imported";
    } catch (const ModelFileError& error) {
      const std::string line = error.what();
      EXPECT_THAT(line, StartsWith(path + ": cannot import the model: "));
      EXPECT_GT(line.size(), path.size() + 28);  // Assimp's reason follows
      EXPECT_EQ(line.find('\n'), std::string::npos);
    }
  }
}

TEST(ModelFile, PostProcessingTriangulatesJoinsVerticesAndFlipsTexCoordV) {
  // A quad with texture coordinates and without normals.
  const std::string quad = WriteTempFile("quad.obj",
                                         "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                         "f 1/1 2/2 3/3 4/4\n");
  for (Importer import : BothImporters) {
    const ImportedFile imported = ImportFile(quad, import);
    const Model& model = imported.Result;
    const ModelArrays& arrays = imported.Arrays;
    ASSERT_EQ(model.Submeshes.size(), 1u);
    EXPECT_EQ(model.Submeshes[0].IndexCount, 6u);
    // OBJ gives every corner a vertex of its own; both joins bring them back to four.
    ASSERT_EQ(arrays.Vertices.size(), 4u);
    for (const SkinnedVertex& v : arrays.Vertices) {
      // Generated normals of the z = 0 plane, and v = 1 - v of the file.
      EXPECT_FLOAT_EQ(std::abs(v.Normal[2]), 1.0f);
      EXPECT_FLOAT_EQ(v.TexCoord[1], 1.0f - v.Position[1]);
    }
  }
}

TEST(ModelFile, ViewerStepsKeepAnIndexedMeshAsItArrivesWithoutTangents) {
  // Four vertices in an order no cache optimisation would keep (the shared corners last), two triangles.
  const std::string quad = WriteTempFile("indexed.gltf", R"({
    "asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2}, "indices": 3}]}],
    "buffers": [{"byteLength": 140, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAgD8AAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAIC/AAAAAAAAAAAAAI)"
                                                        R"(C/AAAAAAAAAAAAAIC/AAAAAAAAAAAAAIC/AAAAAAAAAAAAAIA/AACAPwAAgD8AAAAAAAAAAAAAgD8AAAIAAwABAAMAAgA="}],
    "bufferViews": [{"buffer": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 48},
                    {"buffer": 0, "byteOffset": 96, "byteLength": 32}, {"buffer": 0, "byteOffset": 128, "byteLength": 12}],
    "accessors": [
      {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
      {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC3"},
      {"bufferView": 2, "componentType": 5126, "count": 4, "type": "VEC2"},
      {"bufferView": 3, "componentType": 5123, "count": 6, "type": "SCALAR"}]})");
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> scene(ImportViewedScene(quad), aiReleaseImport);
  ASSERT_EQ(scene->mNumMeshes, 1u);
  const aiMesh& mesh = *scene->mMeshes[0];
  EXPECT_FALSE(ArrivesUnindexed(mesh));
  EXPECT_EQ(mesh.mTangents, nullptr);
  ASSERT_EQ(mesh.mNumVertices, 4u);
  const float expectedX[] = {0, 1, 1, 0};
  for (unsigned v = 0; v < 4; ++v) {
    EXPECT_EQ(mesh.mVertices[v].x, expectedX[v]) << "vertex " << v << " moved";
  }
  std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> full(ImportScene(quad), aiReleaseImport);
  EXPECT_NE(full->mMeshes[0]->mTangents, nullptr);  // the program's own steps still make them
}

TEST(ModelFile, AfterLoadingTheSceneKeepsNoVertexArraysButMorphedMeshesKeepTheirs) {
  const std::string path = std::string(ENGINE_ASSETS_DIR) + "/char.fbx";
  if (!std::filesystem::exists(path)) {
    GTEST_SKIP() << path << " has not been made yet";
  }
  ImportedFile imported = ImportFile(path, ImportViewedScene);
  aiMesh& morphed = *imported.Scene->mMeshes[0];
  morphed.mNumAnimMeshes = 1;  // stands for a mesh with a morph target
  morphed.mAnimMeshes = new aiAnimMesh* [1] { new aiAnimMesh() };
  const unsigned faces = imported.Scene->mMeshes[1]->mNumFaces;
  EXPECT_GT(ReleaseVertexArrays(*imported.Scene), size_t{faces} * 3 * sizeof(unsigned));
  for (unsigned m = 1; m < imported.Scene->mNumMeshes; ++m) {
    const aiMesh& mesh = *imported.Scene->mMeshes[m];
    EXPECT_FALSE(mesh.HasPositions() || mesh.HasNormals() || mesh.HasFaces() || mesh.HasTextureCoords(0)) << m;
    EXPECT_GT(mesh.mNumVertices, 0u);  // the mesh can still say how large it was
    for (unsigned b = 0; b < mesh.mNumBones; ++b) {
      EXPECT_EQ(mesh.mBones[b]->mWeights, nullptr);
    }
  }
  EXPECT_TRUE(morphed.HasPositions() && morphed.HasFaces());
  EXPECT_EQ(imported.Scene->mMeshes[1]->mNumFaces, faces);
  EXPECT_EQ(ReleaseVertexArrays(*imported.Scene), 0u);  // nothing is freed twice
}

TEST(ModelFile, CharacterAssetImportsWithWeightsSummingToOneAndIndicesInsideTheirMeshes) {
  const std::string path = std::string(ENGINE_ASSETS_DIR) + "/char.fbx";
  ASSERT_TRUE(std::filesystem::exists(path)) << "the committed " << path << " is missing";
  const ImportedFile imported = ImportFile(path);
  const aiScene* scene = imported.Scene.get();
  const Model& model = imported.Result;
  const ModelArrays& arrays = imported.Arrays;

  EXPECT_GE(model.Submeshes.size(), 2u);
  EXPECT_EQ(model.Submeshes.size(), scene->mNumMeshes);  // every mesh of the asset is usable
  EXPECT_GE(model.BoneCount, 20u);
  EXPECT_LE(model.BoneCount, 60u);
  ASSERT_EQ(scene->mNumAnimations, 1u);
  EXPECT_GE(model.ChannelByNode.size(), model.BoneCount / 2);
  size_t badWeightSums = 0;
  size_t badBoneIndices = 0;
  for (const SkinnedVertex& v : arrays.Vertices) {
    badWeightSums += std::abs(v.Weights[0] + v.Weights[1] + v.Weights[2] + v.Weights[3] - 1.0f) > 1e-3f;
    badBoneIndices += std::any_of(std::begin(v.BoneIndices), std::end(v.BoneIndices),
                                  [&](float bone) { return bone >= static_cast<float>(model.BoneCount); });
  }
  EXPECT_EQ(badWeightSums, 0u);
  EXPECT_EQ(badBoneIndices, 0u);
  for (size_t m = 0; m < model.Submeshes.size(); ++m) {
    const Submesh& submesh = model.Submeshes[m];
    ASSERT_GT(submesh.IndexCount, 0u);
    const auto first = arrays.Indices.begin() + submesh.FirstIndex;
    const uint16_t largest = *std::max_element(first, first + submesh.IndexCount);
    EXPECT_LT(largest, scene->mMeshes[m]->mNumVertices) << "mesh " << m;
  }
}

TEST(ModelFile, MeshesBeyondWhat16BitIndicesReachAreSplitIntoPartsThatFit) {
  // A flat grid of 260 x 260 vertices, one unit apart: more than 16-bit indices reach.
  constexpr int kSide = 260;
  std::string text;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      text += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\nvt " + std::to_string(x / float(kSide)) + " " +
              std::to_string(y / float(kSide)) + "\n";
    }
  }
  text += "vn 0 0 1\n";
  for (int y = 0; y + 1 < kSide; ++y) {
    for (int x = 0; x + 1 < kSide; ++x) {
      const int corner = y * kSide + x + 1;  // OBJ counts from 1
      for (int v : {corner, corner + 1, corner + kSide + 1, corner + kSide}) {
        text += (v == corner ? "f " : " ") + std::to_string(v) + "/" + std::to_string(v) + "/1";
      }
      text += "\n";
    }
  }
  const std::string path = WriteTempFile("grid.obj", text);
  for (Importer import : BothImporters) {
    const ImportedFile imported = ImportFile(path, import);
    const Model& model = imported.Result;
    const ModelArrays& arrays = imported.Arrays;

    ASSERT_GE(model.Submeshes.size(), 2u);
    size_t triangles = 0;
    size_t farApartCorners = 0;
    for (const Submesh& submesh : model.Submeshes) {
      triangles += submesh.IndexCount / 3;
      for (uint32_t i = 0; i < submesh.IndexCount; ++i) {
        // Neighbouring corners of a grid cell are at most the cell's diagonal apart.
        const SkinnedVertex& corner = arrays.Vertices.at(submesh.BaseVertex + arrays.Indices[submesh.FirstIndex + i]);
        const uint32_t next = submesh.FirstIndex + (i / 3) * 3 + (i + 1) % 3;
        const SkinnedVertex& other = arrays.Vertices.at(submesh.BaseVertex + arrays.Indices[next]);
        const float distance =
            std::hypot(corner.Position[0] - other.Position[0], corner.Position[1] - other.Position[1]);
        farApartCorners += distance > 1.5f;
      }
    }
    EXPECT_EQ(triangles, size_t{2} * (kSide - 1) * (kSide - 1));
    EXPECT_EQ(farApartCorners, 0u) << "indices that wrapped at 16 bits join distant vertices";
    // Both split after joining: the parts hold each vertex once, but for the seams.
    EXPECT_LT(arrays.Vertices.size(), size_t{kSide} * kSide * 11 / 10);
  }
}
