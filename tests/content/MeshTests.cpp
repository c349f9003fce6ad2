// The drawable mesh record and the two input layouts.
#include "content/InputLayouts.h"
#include "content/Mesh.h"
#include "content/SkinnedVertex.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

TEST(Mesh, AttachModelAppendsOneDrawItemPerSubmeshInOrder) {
  Mesh mesh;
  EXPECT_EQ(mesh.ConstantSlot, -1);
  EXPECT_TRUE(mesh.Dirty);
  Model model;
  model.Submeshes = {{90, 0, 0, Identity()}, {0, 90, 100, Identity()}, {60, 90, 104, Translation(1, 2, 3)}};
  mesh.AttachModel(model);

  ASSERT_EQ(mesh.DrawItems.size(), 3u);
  EXPECT_EQ(mesh.DrawItems[1].FirstIndex, 90u);
  EXPECT_EQ(mesh.DrawItems[1].BaseVertex, 100);
  EXPECT_EQ(mesh.DrawItems[2].IndexCount, 60u);
  EXPECT_EQ(mesh.DrawItems[2].Transform.m[3][1], 2.0f);
  EXPECT_EQ(mesh.Geometry.Submeshes.size(), 3u);
}

TEST(InputLayouts, ModelLayoutMatchesTheSkinnedVertexFieldByField) {
  const std::pair<const char*, size_t> fields[] = {
      {"POSITION", offsetof(SkinnedVertex, Position)}, {"TEXCOORD", offsetof(SkinnedVertex, TexCoord)},
      {"NORMAL", offsetof(SkinnedVertex, Normal)},     {"COLOR", offsetof(SkinnedVertex, Color)},
      {"WEIGHTS", offsetof(SkinnedVertex, Weights)},   {"BONEINDICES", offsetof(SkinnedVertex, BoneIndices)}};
  ASSERT_EQ(ModelInputLayout.size(), std::size(fields));
  for (size_t i = 0; i < ModelInputLayout.size(); ++i) {
    const D3D12_INPUT_ELEMENT_DESC& element = ModelInputLayout[i];
    EXPECT_STREQ(element.SemanticName, fields[i].first);
    EXPECT_EQ(element.AlignedByteOffset, fields[i].second);
    EXPECT_EQ(element.InputSlotClass, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA);
  }
  EXPECT_EQ(ModelInputLayout[5].Format, DXGI_FORMAT_R32G32B32A32_FLOAT);  // bone indices arrive as floats

  for (const D3D12_INPUT_ELEMENT_DESC& element : FontInputLayout) {
    EXPECT_EQ(element.InputSlotClass, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA);
    EXPECT_EQ(element.InstanceDataStepRate, 1u);
  }
  EXPECT_EQ(FontInputLayout[2].AlignedByteOffset, 32u);
}
