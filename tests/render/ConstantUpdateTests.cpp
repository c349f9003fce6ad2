// What UpdateConstantBuffers writes, checked in plain memory: the Renderer's mapped addresses point at
// arrays here instead of upload buffers, so no GPU is involved.
#include "render/ConstantBufferLayout.h"
#include "render/Renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

constexpr uint8_t Untouched = 0xCD;

void ExpectMatrixEq(const float4x4& actual, const float4x4& expected) {
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_FLOAT_EQ(actual.m[row][column], expected.m[row][column]) << "element [" << row << "][" << column << "]";
    }
  }
}

Mesh MeshAtSlot(int32_t slot, size_t drawItems) {
  Mesh mesh;
  mesh.ConstantSlot = slot;
  mesh.DrawItems.resize(drawItems);
  return mesh;
}

float4x4 Numbered(float first) {
  float4x4 matrix;
  for (int i = 0; i < 16; ++i) {
    matrix.m[i / 4][i % 4] = first + static_cast<float>(i);
  }
  return matrix;
}

class ConstantUpdate : public testing::Test {
 protected:
  void SetUp() override {
    renderer = std::make_unique<Renderer>(HWND{});
    passMemory.fill(Untouched);
    objectMemory.fill(Untouched);
    boneMemory.fill(Untouched);
    renderer->MappedPassConstants = passMemory.data();
    renderer->MappedObjectConstants = objectMemory.data();
    renderer->MappedBoneConstants = boneMemory.data();
    renderer->CameraChanged = false;
  }

  // Runs one update and returns what it wrote to the console.
  std::string Update() {
    CaptureStdout();
    renderer->UpdateConstantBuffers();
    return GetCapturedStdout();
  }

  float4x4 ObjectSlot(uint32_t slot) const { return MatrixAt(objectMemory.data() + ObjectSlotOffset(slot)); }

  static float4x4 MatrixAt(const uint8_t* bytes) {
    float4x4 matrix;
    std::memcpy(&matrix, bytes, sizeof(matrix));
    return matrix;
  }

  std::unique_ptr<Renderer> renderer;
  std::array<uint8_t, PassConstantsSize> passMemory;
  std::array<uint8_t, 4 * ConstantSlotSize> objectMemory;
  std::array<uint8_t, BonePaletteSize + 64> boneMemory;  // with a margin that must stay untouched
};

TEST_F(ConstantUpdate, DirtyMeshWritesEachItemsTransposedWorldAndTracesTheSlotOffsets) {
  Mesh mesh = MeshAtSlot(0, 2);
  mesh.World = Translation(1.0f, 2.0f, 3.0f);
  mesh.DrawItems[1].Transform = Scaling(2.0f, 2.0f, 2.0f);
  renderer->Meshes.push_back(mesh);

  EXPECT_EQ(Update(), "0\n256\n");
  ExpectMatrixEq(ObjectSlot(0), Transpose(Translation(1.0f, 2.0f, 3.0f)));
  // World on the right (row vectors): the item is scaled in model space, then placed.
  ExpectMatrixEq(ObjectSlot(1), Transpose(Multiply(Scaling(2.0f, 2.0f, 2.0f), Translation(1.0f, 2.0f, 3.0f))));
  EXPECT_FALSE(renderer->Meshes[0].Dirty);

  // Nothing changed since: no slot is written and nothing is traced.
  std::memset(objectMemory.data(), Untouched, objectMemory.size());
  EXPECT_EQ(Update(), "");
  EXPECT_EQ(objectMemory[0], Untouched);
}

TEST_F(ConstantUpdate, SlotsFollowEachMeshsPlaceAndUnplacedOrEmptyMeshesWriteNothing) {
  renderer->Meshes.push_back(MeshAtSlot(0, 1));
  renderer->Meshes.push_back(MeshAtSlot(-1, 1));  // never placed: it has no slot to write
  renderer->Meshes.push_back(MeshAtSlot(0, 0));   // no draw items
  renderer->Meshes.push_back(MeshAtSlot(2, 1));
  renderer->Meshes[3].World = Translation(0.0f, 0.0f, 5.0f);

  EXPECT_EQ(Update(), "0\n512\n");
  ExpectMatrixEq(ObjectSlot(2), Transpose(Translation(0.0f, 0.0f, 5.0f)));
  EXPECT_EQ(objectMemory[ObjectSlotOffset(1)], Untouched);
  for (const Mesh& mesh : renderer->Meshes) {
    EXPECT_FALSE(mesh.Dirty);
  }
}

TEST_F(ConstantUpdate, ItemsFollowingTheAnimationAreRewrittenEveryFrameWithoutATrace) {
  Mesh mesh = MeshAtSlot(0, 2);
  mesh.World = Translation(1.0f, 0.0f, 0.0f);
  mesh.DrawItems[1].FollowsAnimation = true;
  renderer->Meshes.push_back(mesh);
  EXPECT_EQ(Update(), "0\n256\n");  // the first write of every slot is traced as always

  // Posed again while nothing else changed: only the following item's slot is written, silently.
  std::memset(objectMemory.data(), Untouched, objectMemory.size());
  renderer->Meshes[0].DrawItems[1].Transform = Translation(0.0f, 3.0f, 0.0f);
  EXPECT_EQ(Update(), "");
  EXPECT_EQ(objectMemory[ObjectSlotOffset(0)], Untouched);
  ExpectMatrixEq(ObjectSlot(1), Transpose(Translation(1.0f, 3.0f, 0.0f)));
}

TEST_F(ConstantUpdate, CameraChangeWritesThePassRecordOnceWithTransposedMatrices) {
  renderer->Camera.SetProjection(0.785f, 800.0f / 600.0f, 1.0f, 1000.0f);
  renderer->Camera.AimAt({0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  renderer->CameraChanged = true;

  EXPECT_EQ(Update(), "");  // the pass constants are not traced
  EXPECT_FALSE(renderer->CameraChanged);
  EXPECT_FALSE(renderer->Camera.ViewStale);
  PassConstantsRecord record;
  std::memcpy(&record, passMemory.data(), sizeof(record));
  const Camera& camera = renderer->Camera;
  ExpectMatrixEq(record.View, Transpose(camera.ViewMatrix));
  ExpectMatrixEq(record.Proj, Transpose(camera.ProjMatrix));
  ExpectMatrixEq(record.ViewProj, Transpose(Multiply(camera.ViewMatrix, camera.ProjMatrix)));
  EXPECT_FLOAT_EQ(record.View.m[2][3], 4.0f);  // the camera's distance, now in the last column
  EXPECT_FLOAT_EQ(record.EyePosW.z, -4.0f);
  EXPECT_EQ(passMemory[sizeof(PassConstantsRecord)], Untouched);

  // Until the camera changes again, the record stays as it is.
  std::memset(passMemory.data(), Untouched, passMemory.size());
  Update();
  EXPECT_EQ(passMemory[0], Untouched);
}

TEST_F(ConstantUpdate, BonePaletteIsCopiedAsItIsEveryFrameAndNeverPastItsNinetySixMatrices) {
  renderer->BonePalette = {Numbered(0.0f), Numbered(100.0f)};
  Update();
  ExpectMatrixEq(MatrixAt(boneMemory.data()), Numbered(0.0f));  // not transposed
  ExpectMatrixEq(MatrixAt(boneMemory.data() + 64), Numbered(100.0f));

  renderer->BonePalette.assign(100, Numbered(7.0f));
  Update();
  ExpectMatrixEq(MatrixAt(boneMemory.data() + 95 * 64), Numbered(7.0f));
  EXPECT_EQ(boneMemory[BonePaletteSize], Untouched);
}

TEST(ConstantDescriptorLayout, ConstantViewsFollowTheTextures) {
  // Two textures and one draw item: tables H(2) pass, H(3) object, H(4) bones; five descriptors in all.
  const ConstantDescriptorLayout layout{2, 1};
  EXPECT_EQ(layout.PassIndex(), 2u);
  EXPECT_EQ(layout.ObjectIndex(0), 3u);
  EXPECT_EQ(layout.BoneIndex(), 4u);
  EXPECT_EQ(layout.DescriptorCount(), 5u);
  EXPECT_EQ((ConstantDescriptorLayout{2, 16}.DescriptorCount()), 20u);  // the most a 20-descriptor heap holds
}

}  // namespace
