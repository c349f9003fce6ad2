// LoadContent on the real files, a model with more meshes than the descriptor heap first has room for, and
// what viewer mode keeps of a model once it is loaded.
#include "support/RendererFixture.h"

#include "content/ModelFileError.h"
#include "render/DescriptorHeaps.h"
#include "render/PipelineLibrary.h"
#include "viewer/ModelViewer.h"

#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

using testing::HasSubstr;
using testing::StartsWith;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// A model of `meshCount` separate triangles, each with a material of its own so that the import keeps
// them apart, written as FBX under the name the program reads (by way of a Wavefront file, which is
// easier to write).
void WriteModelOfTriangles(const ScratchFolder& folder, int meshCount) {
  std::ostringstream model, materials;
  model << "mtllib parts.mtl\n";
  for (int part = 0; part < meshCount; ++part) {
    materials << "newmtl part" << part << "\nKd " << part / 20.0 << " 0.5 0.5\n";
    model << "o part" << part << "\nusemtl part" << part << "\n";
    // Each triangle in a place of its own: identical ones would be folded into one.
    model << "v " << part << " 0 0\nv " << part + 1 << " 0 0\nv " << part << " 1 " << part * 0.1 << "\n";
    model << "vt 0 0\nvt 1 0\nvt 0 1\n";
    const int first = 3 * part + 1;
    model << "f " << first << "/" << first << " " << first + 1 << "/" << first + 1 << " " << first + 2 << "/"
          << first + 2 << "\n";
  }
  folder.WriteFile("parts.mtl", materials.str());
  folder.WriteFile("parts.obj", model.str());
  const aiScene* scene = aiImportFile("parts.obj", 0);
  ASSERT_NE(scene, nullptr) << aiGetErrorString();
  ASSERT_EQ(aiExportScene(scene, "fbxa", "char.fbx", 0), aiReturn_SUCCESS) << aiGetErrorString();
  aiReleaseImport(scene);
}

class ContentLoading : public RendererFixture {
 protected:
  // LoadContent after device setup; what it wrote to the console.
  std::string LoadContent() {
    renderer->InitDirect3D();
    CaptureStdout();
    try {
      renderer->LoadContent();
    } catch (...) {
      GetCapturedStdout();
      throw;
    }
    return GetCapturedStdout();
  }
};

TEST_F(ContentLoading, BuildsThePipelinesTheTextBoxAndTheCharacterAndLogsThatLast) {
  const std::string log = LoadContent();
  EXPECT_THAT(log, StartsWith("Loading meshes completed result:"));  // nothing else is logged on the way

  ASSERT_NE(renderer->Pipelines, nullptr);
  EXPECT_NE(renderer->Pipelines->GetPipelineState("skinned"), nullptr);
  ASSERT_EQ(renderer->TextLabels.size(), 1u);
  const TextLabel& box = renderer->TextLabels[0];
  EXPECT_EQ(box.ScreenWidth, 800.0f);
  EXPECT_EQ(box.ScreenHeight, 600.0f);
  EXPECT_EQ(box.X, 500.0f);
  EXPECT_EQ(box.Y, 0.0f);
  EXPECT_EQ(box.Width, 200.0f);
  EXPECT_EQ(box.Height, 70.0f);

  ASSERT_EQ(renderer->Meshes.size(), 1u);
  const Mesh& character = renderer->Meshes[0];
  EXPECT_EQ(character.ConstantSlot, 0);
  EXPECT_TRUE(character.Dirty);
  EXPECT_EQ(character.DrawItems.size(), character.Geometry.Submeshes.size());
  EXPECT_EQ(character.DrawItems.size(), 2u);  // body and head
  EXPECT_GT(character.Geometry.BoneCount, 0u);
  EXPECT_NE(character.Geometry.VertexBuffer, nullptr);
  // The program's own run keeps what it always kept.
  EXPECT_NE(character.Geometry.VertexUpload, nullptr);
  EXPECT_TRUE(character.Geometry.Scene->mMeshes[0]->HasPositions());
}

TEST_F(ContentLoading, ViewerModeKeepsOnlyTheGpuCopyOfTheModelAndStillDrawsIt) {
  ModelViewer viewer((folder->Path() / "char.fbx").string());
  renderer->Scene = &viewer;
  CaptureStdout();
  StartUp();
  GetCapturedStdout();
  ASSERT_EQ(renderer->Meshes.size(), 1u);
  const Model& model = renderer->Meshes[0].Geometry;
  EXPECT_NE(model.VertexBuffer, nullptr);
  EXPECT_EQ(model.VertexUpload, nullptr);
  EXPECT_EQ(model.IndexUpload, nullptr);
  for (unsigned m = 0; m < model.Scene->mNumMeshes; ++m) {
    EXPECT_FALSE(model.Scene->mMeshes[m]->HasPositions() || model.Scene->mMeshes[m]->HasFaces()) << m;
  }
  // The animation still walks the scene's nodes, and the frame draws the character from the GPU's copy.
  DrawFrameAt(0.5f);
  const FrameImage frame = LastPresentedFrame();
  const Rgb background = frame.Pixel(10, frame.Height - 10);
  int covered = 0;
  for (uint32_t y = 100; y < frame.Height; y += 4) {
    for (uint32_t x = 0; x < frame.Width; x += 4) {
      covered += Near(frame.Pixel(x, y), background, 8) ? 0 : 1;
    }
  }
  EXPECT_GT(covered, 500) << "the character was not drawn";
}

TEST_F(ContentLoading, FortyMeshesGrowTheDescriptorHeapKeepTheTextureViewsAndDraw) {
  // Two texture views, the pass view, one view per mesh and the bone view: 44 descriptors, more than the
  // 20 that device setup makes before the model is known.
  WriteModelOfTriangles(*folder, 40);
  ASSERT_FALSE(HasFatalFailure());
  renderer->InitDirect3D();
  const std::vector<uint8_t> fontBefore = DrawTextureView(0, 16, 16);
  const std::vector<uint8_t> skinBefore = DrawTextureView(1, 16, 16);
  CaptureStdout();
  renderer->LoadContent();
  EXPECT_THAT(GetCapturedStdout(), StartsWith("Loading meshes completed result:"));
  ASSERT_EQ(renderer->Meshes.size(), 1u);
  EXPECT_EQ(renderer->Meshes[0].DrawItems.size(), 40u);
  EXPECT_EQ(renderer->Heaps->CbvSrvUavHeap->GetDesc().NumDescriptors, 44u);
  // The grown heap holds the same texture views in the same slots.
  EXPECT_EQ(DrawTextureView(0, 16, 16), fontBefore);
  EXPECT_EQ(DrawTextureView(1, 16, 16), skinBefore);

  // The last view lands in the heap's last slot, and the frame draws every item (validation stays silent).
  renderer->CreateConstantBuffers();
  renderer->SetupCamera();
  renderer->OnResize();  // the lens the main loop's first pass sets
  DrawFrameAt(0.0f);
  const FrameImage frame = LastPresentedFrame();
  const Rgb background = frame.Pixel(10, frame.Height - 10);
  int covered = 0;
  for (uint32_t y = 100; y < frame.Height; y += 4) {  // below the text box
    for (uint32_t x = 0; x < frame.Width; x += 4) {
      covered += Near(frame.Pixel(x, y), background, 8) ? 0 : 1;
    }
  }
  EXPECT_GT(covered, 50) << "no triangle was drawn";
}

TEST_F(ContentLoading, ModelOfCharacterSizeKeepsTheHeapDeviceSetupMade) {
  LoadContent();
  EXPECT_EQ(renderer->Heaps->CbvSrvUavHeap->GetDesc().NumDescriptors, ShaderVisibleDescriptorCount);
}

}  // namespace
