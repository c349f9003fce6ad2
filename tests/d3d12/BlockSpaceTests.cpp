// The range bookkeeping of shared memory blocks: alignment, first fit, reuse of given-back ranges, and the
// granularity pages that keep buffers and optimal-tiling images apart.
#include "MemoryAllocator.h"

#include <gtest/gtest.h>

namespace d3d12vk {
namespace {

TEST(BlockSpace, TakesAlignedRangesFirstFitAndReusesGivenBackOnes) {
  BlockSpace space(4096, 1);
  EXPECT_EQ(space.Take(100, 1, Tiling::Linear), 0u);
  EXPECT_EQ(space.Take(10, 256, Tiling::Linear), 256u);  // not 100
  EXPECT_EQ(space.Take(3, 4, Tiling::Linear), 100u);     // the gap before 256 still serves small ranges
  space.Give(0);
  EXPECT_EQ(space.Take(100, 1, Tiling::Linear), 0u);
  EXPECT_EQ(space.Take(200, 1, Tiling::Linear), 266u);  // too large for the gap at 103

  EXPECT_EQ(space.Take(4096 - 466 + 1, 1, Tiling::Linear), std::nullopt);  // one byte more than the tail
  EXPECT_EQ(space.Take(4096 - 466, 1, Tiling::Linear), 466u);              // fills the block exactly
  EXPECT_EQ(space.Take(1, 1, Tiling::Linear), 103u);                       // the holes still serve
  EXPECT_EQ(space.Take(0, 1, Tiling::Linear), std::nullopt);
  EXPECT_EQ(space.Take(8192, 1, Tiling::Linear), std::nullopt);

  for (VkDeviceSize offset : {0u, 100u, 103u, 256u, 266u, 466u}) space.Give(offset);
  EXPECT_TRUE(space.Empty());
  EXPECT_EQ(space.Take(4096, 4096, Tiling::Optimal), 0u);
}

TEST(BlockSpace, KeepsBuffersAndOptimalImagesOnSeparatePages) {
  BlockSpace space(8192, 1024);
  EXPECT_EQ(space.Take(100, 1, Tiling::Linear), 0u);
  EXPECT_EQ(space.Take(100, 16, Tiling::Optimal), 1024u);  // not 112: that page holds a buffer
  EXPECT_EQ(space.Take(100, 16, Tiling::Optimal), 1136u);  // same tiling packs tight
  EXPECT_EQ(space.Take(100, 1, Tiling::Linear), 100u);     // beside the buffer, a page from the images
  EXPECT_EQ(space.Take(1000, 1, Tiling::Linear), 2048u);   // after an image: the next page

  // A range may not end on the page where the next range of the other tiling starts.
  space.Give(100);
  space.Give(1024);  // the gap is now 100 to 1136, before the image at 1136
  EXPECT_EQ(space.Take(1000, 1, Tiling::Linear), 3048u);
  EXPECT_EQ(space.Take(900, 1, Tiling::Linear), 100u);
  EXPECT_EQ(space.Take(8, 8, Tiling::Optimal), 1024u);  // off the buffer's page, beside the other image

  // With one-byte pages nothing is padded.
  BlockSpace unpadded(256, 1);
  EXPECT_EQ(unpadded.Take(3, 1, Tiling::Linear), 0u);
  EXPECT_EQ(unpadded.Take(5, 4, Tiling::Optimal), 4u);
  EXPECT_EQ(unpadded.Take(1, 1, Tiling::Linear), 3u);  // the byte between a buffer and an image
}

}  // namespace
}  // namespace d3d12vk
