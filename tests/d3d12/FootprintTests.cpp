// Where texture data sits in a buffer: 256-byte rows, 512-byte subresource placement, 4 x 4 blocks.
#include <windows.h>

#include "CopyableFootprints.h"

#include <d3dx12.h>
#include <gtest/gtest.h>

namespace d3d12vk {
namespace {

struct Footprints {
  std::vector<D3D12_PLACED_SUBRESOURCE_FOOTPRINT> layouts;
  std::vector<UINT> rows;
  std::vector<UINT64> rowSizes;
  UINT64 total = 0;
  bool ok = false;
};

Footprints Compute(const D3D12_RESOURCE_DESC& desc, UINT first, UINT count, UINT64 baseOffset = 0) {
  Footprints result;
  result.layouts.resize(count);
  result.rows.resize(count);
  result.rowSizes.resize(count);
  std::string error;
  result.ok = ComputeCopyableFootprints(
      {&desc, first, count, baseOffset},
      {result.layouts.data(), result.rows.data(), result.rowSizes.data(), &result.total}, &error);
  return result;
}

TEST(CopyableFootprints, OddWidthRowsArePaddedTo256Bytes) {
  const Footprints rgba = Compute(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 3, 2, 1, 1), 0, 1);
  ASSERT_TRUE(rgba.ok);
  EXPECT_EQ(rgba.layouts[0].Footprint.RowPitch, 256u);
  EXPECT_EQ(rgba.rowSizes[0], 12u);
  EXPECT_EQ(rgba.rows[0], 2u);
  EXPECT_EQ(rgba.total, 256u + 12u) << "the last row is not padded";

  const Footprints bytes = Compute(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8_UNORM, 257, 1, 1, 1), 0, 1);
  EXPECT_EQ(bytes.layouts[0].Footprint.RowPitch, 512u);
  EXPECT_EQ(bytes.total, 257u);
}

TEST(CopyableFootprints, MipsStartAt512ByteBoundariesAfterTheBaseOffset) {
  const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8_UNORM, 5, 3, 1, 2);
  const Footprints mips = Compute(desc, 0, 2, 1024);
  ASSERT_TRUE(mips.ok);
  EXPECT_EQ(mips.layouts[0].Offset, 1024u);
  // Mip 0 ends at 1024 + 2 * 256 + 5; mip 1 (2 x 1) starts at the next 512-byte boundary.
  EXPECT_EQ(mips.layouts[1].Offset, 2048u);
  EXPECT_EQ(mips.layouts[1].Footprint.Width, 2u);
  EXPECT_EQ(mips.layouts[1].Footprint.Height, 1u);
  EXPECT_EQ(mips.total, 2048u + 2u - 1024u);
}

TEST(CopyableFootprints, BlockCompressedFormatsCountRowsOfBlocks) {
  const Footprints bc1 = Compute(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_BC1_UNORM, 7, 5, 1, 1), 0, 1);
  ASSERT_TRUE(bc1.ok);
  EXPECT_EQ(bc1.rows[0], 2u);
  EXPECT_EQ(bc1.rowSizes[0], 16u);
  EXPECT_EQ(bc1.layouts[0].Footprint.Width, 8u);
  EXPECT_EQ(bc1.layouts[0].Footprint.Height, 8u);
}

TEST(CopyableFootprints, BuffersAreOneRow) {
  const Footprints buffer = Compute(CD3DX12_RESOURCE_DESC::Buffer(1000), 0, 1);
  ASSERT_TRUE(buffer.ok);
  EXPECT_EQ(buffer.total, 1000u);
  EXPECT_EQ(buffer.rows[0], 1u);
  EXPECT_EQ(buffer.layouts[0].Footprint.Width, 1000u);
}

TEST(CopyableFootprints, RequestsWithoutALayoutFillAllOnes) {
  const Footprints outside = Compute(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1), 1, 1);
  EXPECT_FALSE(outside.ok);
  EXPECT_EQ(outside.total, UINT64_MAX);
  EXPECT_EQ(outside.rows[0], UINT_MAX);
  const Footprints unknown = Compute(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT(999), 4, 4, 1, 1), 0, 1);
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(unknown.total, UINT64_MAX);
}

}  // namespace
}  // namespace d3d12vk
