// Committed resources in shared memory blocks: neighbours keep their own bytes, memory given back is handed
// out again zeroed, large resources and emptied blocks go their own way, and several threads may create at once.
// Heaps: placed resources share the heap's memory at their offsets, alias, keep the heap alive, and take the
// sizes and alignments GetResourceAllocationInfo reports; CPU-visible custom heaps reach textures' texels.
#include "GpuTest.h"

#include <algorithm>
#include <set>
#include <thread>

namespace {

struct MemoryRange {
  uint64_t memory = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  bool operator==(const MemoryRange&) const = default;
};

MemoryRange RangeOf(ID3D12Resource* resource) {
  MemoryRange range;
  EXPECT_EQ(d3d12_vk::ResourceMemoryRange(resource, &range.memory, &range.offset, &range.size), S_OK);
  return range;
}

bool Overlap(const MemoryRange& a, const MemoryRange& b) {
  return a.memory == b.memory && a.offset < b.offset + b.size && b.offset < a.offset + a.size;
}

::testing::AssertionResult NoneOverlap(const std::vector<MemoryRange>& ranges) {
  for (size_t i = 0; i < ranges.size(); ++i) {
    for (size_t j = i + 1; j < ranges.size(); ++j) {
      if (Overlap(ranges[i], ranges[j])) {
        return ::testing::AssertionFailure() << "ranges " << i << " and " << j << " overlap at offsets "
                                             << ranges[i].offset << " and " << ranges[j].offset;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

bool AllZero(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte == 0; });
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(seed + i * 7);
  return bytes;
}

constexpr UINT64 kMiB = 1 << 20;

class SubAllocationTest : public GpuTest {
 protected:
  ComPtr<ID3D12Resource> Texture(UINT width, UINT height, D3D12_RESOURCE_STATES state,
                                 D3D12_RESOURCE_FLAGS flags = D3D12_RESOURCE_FLAG_NONE) {
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1, 1, 0, flags);
    ComPtr<ID3D12Resource> texture;
    EXPECT_EQ(
        device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, state, nullptr, IID_PPV_ARGS(&texture)),
        S_OK);
    return texture;
  }

  // A texture in COPY_DEST filled with `texels` (tightly packed RGBA8 rows) and left in COPY_SOURCE.
  ComPtr<ID3D12Resource> FilledTexture(UINT width, UINT height, const std::vector<uint8_t>& texels) {
    ComPtr<ID3D12Resource> texture = Texture(width, height, D3D12_RESOURCE_STATE_COPY_DEST);
    ComPtr<ID3D12Resource> staging = CreateBuffer(
        D3D12_HEAP_TYPE_UPLOAD, GetRequiredIntermediateSize(texture.Get(), 0, 1), D3D12_RESOURCE_STATE_GENERIC_READ);
    const D3D12_SUBRESOURCE_DATA data{texels.data(), LONG_PTR(width) * 4, LONG_PTR(texels.size())};
    EXPECT_NE(UpdateSubresources(list.Get(), texture.Get(), staging.Get(), 0, 0, 1, &data), 0u);
    const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                               D3D12_RESOURCE_STATE_COPY_SOURCE);
    list->ResourceBarrier(1, &toSource);
    return texture;
  }
};

TEST_F(SubAllocationTest, SmallBuffersAndTexturesShareBlocksAndKeepTheirOwnBytes) {
  struct Filled {
    ComPtr<ID3D12Resource> resource;
    std::vector<uint8_t> bytes;
    UINT width;  // textures only
  };
  std::vector<Filled> buffers, textures, uploads;
  for (UINT i = 0; i < 24; ++i) {
    // Odd sizes, so ranges end off every alignment; textures in between, so images sit next to buffers.
    std::vector<uint8_t> bytes = Pattern(52 + 97 * i, uint8_t(i));
    buffers.push_back({StaticBuffer(bytes.data(), bytes.size()), bytes, 0});
    if (i % 3 == 0) {
      const UINT width = 3 + i, height = 2 + i / 3;
      std::vector<uint8_t> texels = Pattern(size_t(width) * height * 4, uint8_t(100 + i));
      textures.push_back({FilledTexture(width, height, texels), texels, width});
    }
    if (i % 4 == 0) {
      std::vector<uint8_t> written = Pattern(33 + i, uint8_t(200 + i));
      uploads.push_back({UploadBuffer(written.data(), written.size()), written, 0});
    }
  }
  ExecuteAndWait();

  std::vector<MemoryRange> ranges;
  std::set<uint64_t> bufferBlocks, textureBlocks;
  for (const Filled& each : buffers) bufferBlocks.insert(RangeOf(each.resource.Get()).memory);
  for (const Filled& each : textures) textureBlocks.insert(RangeOf(each.resource.Get()).memory);
  EXPECT_EQ(bufferBlocks.size(), 1u);
  EXPECT_EQ(textureBlocks.size(), 1u);
  for (const auto* group : {&buffers, &textures, &uploads}) {
    for (const Filled& each : *group) ranges.push_back(RangeOf(each.resource.Get()));
  }
  EXPECT_TRUE(NoneOverlap(ranges));

  for (const Filled& each : buffers) {
    EXPECT_EQ(ReadBuffer(each.resource.Get(), each.bytes.size(), D3D12_RESOURCE_STATE_GENERIC_READ), each.bytes);
  }
  for (const Filled& each : textures) {
    EXPECT_EQ(ReadTexture(each.resource.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE), each.bytes) << each.width;
  }
  for (const Filled& each : uploads) {
    EXPECT_EQ(ReadMapped<uint8_t>(each.resource.Get(), each.bytes.size()), each.bytes);
  }
}

TEST_F(SubAllocationTest, ResourcesInReleasedMemoryReadZero) {
  // Default-heap buffer, written by a copy.
  const std::vector<uint8_t> filled(4096, 0xAB);
  ComPtr<ID3D12Resource> buffer = StaticBuffer(filled.data(), filled.size());
  ExecuteAndWait();
  const MemoryRange bufferRange = RangeOf(buffer.Get());
  buffer.Reset();
  buffer = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, filled.size(), D3D12_RESOURCE_STATE_COMMON);
  ASSERT_EQ(RangeOf(buffer.Get()), bufferRange) << "the new buffer does not reuse the released one's memory";
  EXPECT_TRUE(AllZero(ReadBuffer(buffer.Get(), filled.size(), D3D12_RESOURCE_STATE_COMMON)));

  // Upload buffer, written by the CPU.
  ComPtr<ID3D12Resource> upload = UploadBuffer(filled.data(), 1000);
  ExecuteAndWait();
  const MemoryRange uploadRange = RangeOf(upload.Get());
  upload.Reset();
  upload = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 1000, D3D12_RESOURCE_STATE_GENERIC_READ);
  ASSERT_EQ(RangeOf(upload.Get()), uploadRange);
  EXPECT_TRUE(AllZero(ReadMapped<uint8_t>(upload.Get(), 1000)));

  // Texture, written by a copy.
  ComPtr<ID3D12Resource> texture = FilledTexture(16, 16, std::vector<uint8_t>(16 * 16 * 4, 0xEE));
  ExecuteAndWait();
  const MemoryRange textureRange = RangeOf(texture.Get());
  texture.Reset();
  texture = Texture(16, 16, D3D12_RESOURCE_STATE_COPY_SOURCE);
  ASSERT_EQ(RangeOf(texture.Get()), textureRange);
  EXPECT_TRUE(AllZero(ReadTexture(texture.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE)));

  // Render target, written by a clear.
  OffscreenTarget target = CreateTarget(16, 16);
  const float orange[4] = {1.0f, 0.5f, 0.25f, 1.0f};
  list->ClearRenderTargetView(target.Rtv, orange, 0, nullptr);
  ExecuteAndWait();
  const MemoryRange targetRange = RangeOf(target.Color.Get());
  target.Color.Reset();
  target.Color = Texture(16, 16, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  ASSERT_EQ(RangeOf(target.Color.Get()), targetRange);
  EXPECT_TRUE(AllZero(ReadTexture(target.Color.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET)));
}

TEST_F(SubAllocationTest, LargeResourcesAndWindowSizedTargetsGetMemoryOfTheirOwn) {
  ComPtr<ID3D12Resource> small = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 256, D3D12_RESOURCE_STATE_COMMON);
  const size_t before = d3d12_vk::DeviceMemoryObjectCount(device.Get());
  constexpr UINT64 kLarge = 24 * kMiB;
  ComPtr<ID3D12Resource> large = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, kLarge, D3D12_RESOURCE_STATE_COPY_DEST);
  const MemoryRange largeRange = RangeOf(large.Get());
  EXPECT_EQ(largeRange.offset, 0u);
  EXPECT_NE(largeRange.memory, RangeOf(small.Get()).memory);
  EXPECT_EQ(d3d12_vk::DeviceMemoryObjectCount(device.Get()), before + 1);

  // Its last bytes take a copy and give it back; the bytes before them are still zero.
  const std::vector<uint8_t> tail = Pattern(256, 9);
  ComPtr<ID3D12Resource> source = UploadBuffer(tail.data(), tail.size());
  list->CopyBufferRegion(large.Get(), kLarge - 256, source.Get(), 0, 256);
  const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(large.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                             D3D12_RESOURCE_STATE_COPY_SOURCE);
  list->ResourceBarrier(1, &toSource);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 512, D3D12_RESOURCE_STATE_COPY_DEST);
  list->CopyBufferRegion(readback.Get(), 0, large.Get(), kLarge - 512, 512);
  ExecuteAndWait();
  const std::vector<uint8_t> read = ReadMapped<uint8_t>(readback.Get(), 512);
  EXPECT_TRUE(AllZero({read.begin(), read.begin() + 256}));
  EXPECT_EQ(std::vector<uint8_t>(read.begin() + 256, read.end()), tail);

  const size_t beforeTarget = d3d12_vk::DeviceMemoryObjectCount(device.Get());
  ComPtr<ID3D12Resource> windowTarget =
      Texture(800, 600, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  EXPECT_EQ(RangeOf(windowTarget.Get()).offset, 0u);
  EXPECT_EQ(d3d12_vk::DeviceMemoryObjectCount(device.Get()), beforeTarget + 1);
}

TEST_F(SubAllocationTest, EmptiedBlocksAreFreedExceptOneSpare) {
  const size_t before = d3d12_vk::DeviceMemoryObjectCount(device.Get());
  // Twelve MiB each: five to a block, so eleven need three blocks.
  std::vector<ComPtr<ID3D12Resource>> buffers;
  for (int i = 0; i < 11; ++i) {
    buffers.push_back(CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 12 * kMiB, D3D12_RESOURCE_STATE_COMMON));
  }
  ExecuteAndWait();
  EXPECT_GE(d3d12_vk::DeviceMemoryObjectCount(device.Get()), before + 2);
  EXPECT_LE(d3d12_vk::DeviceMemoryObjectCount(device.Get()), before + 3);
  buffers.clear();
  const size_t afterRelease = d3d12_vk::DeviceMemoryObjectCount(device.Get());
  EXPECT_LE(afterRelease, before + 1);
  // The spare block serves the next resource without a new allocation.
  ComPtr<ID3D12Resource> next = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 12 * kMiB, D3D12_RESOURCE_STATE_COMMON);
  EXPECT_EQ(d3d12_vk::DeviceMemoryObjectCount(device.Get()), afterRelease);
}

TEST_F(SubAllocationTest, ResourcesMadeOnSeveralThreadsGetSeparateRanges) {
  constexpr int kThreads = 4, kEach = 40;
  std::vector<std::vector<ComPtr<ID3D12Resource>>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &made] {
      const CD3DX12_HEAP_PROPERTIES heap(t % 2 == 0 ? D3D12_HEAP_TYPE_DEFAULT : D3D12_HEAP_TYPE_UPLOAD);
      const D3D12_RESOURCE_STATES state = t % 2 == 0 ? D3D12_RESOURCE_STATE_COMMON : D3D12_RESOURCE_STATE_GENERIC_READ;
      for (int i = 0; i < kEach; ++i) {
        const auto desc = CD3DX12_RESOURCE_DESC::Buffer(256 + 64 * (i + t));
        ComPtr<ID3D12Resource> buffer;
        if (device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, state, nullptr,
                                            IID_PPV_ARGS(&buffer)) != S_OK) {
          return;
        }
        // Every other one goes again at once, so frees interleave with other threads' allocations.
        if (i % 2 == 0) made[t].push_back(buffer);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<MemoryRange> ranges;
  for (const auto& each : made) {
    ASSERT_EQ(each.size(), size_t(kEach / 2)) << "a creation failed";
    for (const auto& buffer : each) ranges.push_back(RangeOf(buffer.Get()));
  }
  EXPECT_TRUE(NoneOverlap(ranges));
}

ComPtr<ID3D12Heap> MakeHeap(ID3D12Device* device, D3D12_HEAP_PROPERTIES properties, UINT64 size,
                            D3D12_HEAP_FLAGS flags) {
  const D3D12_HEAP_DESC desc{size, properties, 0, flags};
  ComPtr<ID3D12Heap> heap;
  EXPECT_EQ(device->CreateHeap(&desc, IID_PPV_ARGS(&heap)), S_OK);
  return heap;
}

TEST_F(SubAllocationTest, PlacedBuffersShareTheHeapAliasAndKeepItAlive) {
  ComPtr<ID3D12Heap> heap = MakeHeap(device.Get(), CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), 4 * 65536,
                                     D3D12_HEAP_FLAG_ALLOW_ONLY_BUFFERS);
  const auto desc = CD3DX12_RESOURCE_DESC::Buffer(1000);
  ComPtr<ID3D12Resource> first, second, alias;
  const std::pair<UINT64, ComPtr<ID3D12Resource>*> placements[] = {{0, &first}, {65536, &second}, {0, &alias}};
  for (const auto& placement : placements) {
    ASSERT_EQ(device->CreatePlacedResource(heap.Get(), placement.first, &desc, D3D12_RESOURCE_STATE_COPY_DEST,
                                           nullptr, IID_PPV_ARGS(placement.second->ReleaseAndGetAddressOf())),
              S_OK);
  }
  EXPECT_EQ(RangeOf(first.Get()).memory, RangeOf(second.Get()).memory);
  EXPECT_EQ(RangeOf(second.Get()).offset, 65536u);
  // The resources hold the heap from here on.
  heap.Reset();
  EXPECT_TRUE(AllZero(ReadBuffer(second.Get(), 1000, D3D12_RESOURCE_STATE_COPY_DEST))) << "a new heap reads zero";

  const std::vector<uint8_t> a = Pattern(1000, 1), b = Pattern(1000, 2), c = Pattern(500, 3);
  ComPtr<ID3D12Resource> sourceA = UploadBuffer(a.data(), a.size()), sourceB = UploadBuffer(b.data(), b.size());
  ComPtr<ID3D12Resource> sourceC = UploadBuffer(c.data(), c.size());
  list->CopyBufferRegion(first.Get(), 0, sourceA.Get(), 0, a.size());
  list->CopyBufferRegion(second.Get(), 0, sourceB.Get(), 0, b.size());
  // The alias takes over the first buffer's bytes and writes the front half.
  const auto aliasing = CD3DX12_RESOURCE_BARRIER::Aliasing(first.Get(), alias.Get());
  list->ResourceBarrier(1, &aliasing);
  list->CopyBufferRegion(alias.Get(), 0, sourceC.Get(), 0, c.size());
  ExecuteAndWait();
  std::vector<uint8_t> expected = c;
  expected.insert(expected.end(), a.begin() + 500, a.end());
  EXPECT_EQ(ReadBuffer(first.Get(), 1000, D3D12_RESOURCE_STATE_COPY_DEST), expected);
  EXPECT_EQ(ReadBuffer(second.Get(), 1000, D3D12_RESOURCE_STATE_COPY_DEST), b);
}

TEST_F(SubAllocationTest, AllocationInfoIsWhatPlacementHonours) {
  const auto rgba = [](UINT64 width, UINT height, UINT64 alignment, D3D12_RESOURCE_FLAGS flags, UINT samples) {
    return CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1, samples, 0, flags,
                                        D3D12_TEXTURE_LAYOUT_UNKNOWN, alignment);
  };
  constexpr auto kNone = D3D12_RESOURCE_FLAG_NONE;
  constexpr auto kTarget = D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET;
  struct Case {
    const char* name;
    D3D12_RESOURCE_DESC desc;
    UINT64 alignment;
  } cases[] = {
      {"buffer", CD3DX12_RESOURCE_DESC::Buffer(100), 65536},
      {"small texture asking 4 KiB", rgba(16, 16, 4096, kNone, 1), 4096},
      {"large texture asking 4 KiB", rgba(512, 512, 4096, kNone, 1), 65536},
      {"small target asking 4 KiB", rgba(16, 16, 4096, kTarget, 1), 65536},
      {"multisampled target", rgba(64, 64, 0, kTarget, 4), 4 << 20},
      {"small multisampled target asking 64 KiB", rgba(16, 16, 65536, kTarget, 4), 65536},
  };
  ComPtr<ID3D12Heap> heap =
      MakeHeap(device.Get(), CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), 16 << 20, D3D12_HEAP_FLAG_NONE);
  D3D12_FEATURE_DATA_D3D12_OPTIONS options{};
  ASSERT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_D3D12_OPTIONS, &options, sizeof(options)), S_OK);
  ASSERT_EQ(heap != nullptr, options.ResourceHeapTier >= D3D12_RESOURCE_HEAP_TIER_2) << "tier 1 mixes nothing";
  if (heap == nullptr) GTEST_SKIP() << "the adapter has resource heap tier 1";
  for (const Case& each : cases) {
    const D3D12_RESOURCE_ALLOCATION_INFO info = device->GetResourceAllocationInfo(0, 1, &each.desc);
    EXPECT_EQ(info.Alignment, each.alignment) << each.name;
    EXPECT_EQ(info.SizeInBytes % info.Alignment, 0u) << each.name;
    // Two of them side by side at the reported size and alignment, each with its own bytes.
    D3D12_RESOURCE_DESC desc = each.desc;
    desc.Alignment = info.Alignment;
    const D3D12_RESOURCE_STATES state = desc.Flags & kTarget ? D3D12_RESOURCE_STATE_RENDER_TARGET
                                                             : D3D12_RESOURCE_STATE_COMMON;
    ComPtr<ID3D12Resource> one, two, misplaced;
    EXPECT_EQ(device->CreatePlacedResource(heap.Get(), 0, &desc, state, nullptr, IID_PPV_ARGS(&one)), S_OK);
    EXPECT_EQ(device->CreatePlacedResource(heap.Get(), info.SizeInBytes, &desc, state, nullptr, IID_PPV_ARGS(&two)),
              S_OK);
    EXPECT_FALSE(Overlap(RangeOf(one.Get()), RangeOf(two.Get()))) << each.name;
    EXPECT_EQ(device->CreatePlacedResource(heap.Get(), info.Alignment / 2, &desc, state, nullptr,
                                           IID_PPV_ARGS(&misplaced)), E_INVALIDARG) << each.name;
  }
  // Two descriptions are laid out one after the other.
  const D3D12_RESOURCE_DESC pair[] = {rgba(16, 16, 4096, kNone, 1), CD3DX12_RESOURCE_DESC::Buffer(100)};
  EXPECT_EQ(device->GetResourceAllocationInfo(0, 2, pair).SizeInBytes, 2 * 65536u);

  // Misuse: past the end, a category the heap's flags deny, an invalid description, custom heaps without pages.
  ComPtr<ID3D12Resource> refused;
  const auto buffer = CD3DX12_RESOURCE_DESC::Buffer(65536);
  EXPECT_EQ(device->CreatePlacedResource(heap.Get(), 16 << 20, &buffer, D3D12_RESOURCE_STATE_COMMON, nullptr,
                                         IID_PPV_ARGS(&refused)), E_INVALIDARG);
  ComPtr<ID3D12Heap> texturesOnly = MakeHeap(device.Get(), CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), 65536,
                                             D3D12_HEAP_FLAG_ALLOW_ONLY_NON_RT_DS_TEXTURES);
  EXPECT_EQ(device->CreatePlacedResource(texturesOnly.Get(), 0, &buffer, D3D12_RESOURCE_STATE_COMMON, nullptr,
                                         IID_PPV_ARGS(&refused)), E_INVALIDARG);
  const auto empty = CD3DX12_RESOURCE_DESC::Buffer(0);
  EXPECT_EQ(device->GetResourceAllocationInfo(0, 1, &empty).SizeInBytes, UINT64_MAX);
  const D3D12_HEAP_DESC noPages{65536, {D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_UNKNOWN, D3D12_MEMORY_POOL_L0, 1, 1}, 0, D3D12_HEAP_FLAG_NONE};
  const D3D12_HEAP_DESC cpuInL1{65536, {D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_WRITE_BACK, D3D12_MEMORY_POOL_L1, 1, 1}, 0, D3D12_HEAP_FLAG_NONE};
  ComPtr<ID3D12Heap> badHeap;
  EXPECT_EQ(device->CreateHeap(&noPages, IID_PPV_ARGS(&badHeap)), E_INVALIDARG);
  EXPECT_EQ(device->CreateHeap(&cpuInL1, IID_PPV_ARGS(&badHeap)), E_INVALIDARG);
}

TEST_F(SubAllocationTest, CpuVisibleHeapsReachTexelsThroughWriteAndReadFromSubresource) {
  constexpr UINT kSide = 8;
  const D3D12_HEAP_PROPERTIES writeBack{D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_WRITE_BACK,
                                        D3D12_MEMORY_POOL_L0, 1, 1};
  const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kSide, kSide, 1, 1);
  ComPtr<ID3D12Resource> texture;
  ASSERT_EQ(device->CreateCommittedResource(&writeBack, D3D12_HEAP_FLAG_NONE, &desc, D3D12_RESOURCE_STATE_COMMON,
                                            nullptr, IID_PPV_ARGS(&texture)), S_OK);
  ASSERT_EQ(texture->Map(0, nullptr, nullptr), S_OK);
  // The CPU writes a 3 x 2 box; the rest stays zero, as the GPU sees it.
  const std::vector<uint8_t> box = Pattern(3 * 2 * 4, 9);
  const D3D12_BOX region{2, 5, 0, 5, 7, 1};
  ASSERT_EQ(texture->WriteToSubresource(0, &region, box.data(), 3 * 4, 3 * 2 * 4), S_OK);
  std::vector<uint8_t> expected(kSide * kSide * 4, 0);
  for (UINT row = 0; row < 2; ++row) {
    std::copy_n(box.begin() + row * 12, 12, expected.begin() + ((5 + row) * kSide + 2) * 4);
  }
  EXPECT_EQ(ReadTexture(texture.Get(), D3D12_RESOURCE_STATE_COMMON), expected);

  // The GPU writes the whole texture; the CPU reads a box of it back.
  const std::vector<uint8_t> whole = Pattern(kSide * kSide * 4, 40);
  ComPtr<ID3D12Resource> source = FilledTexture(kSide, kSide, whole);
  const auto toDest = CD3DX12_RESOURCE_BARRIER::Transition(texture.Get(), D3D12_RESOURCE_STATE_COMMON,
                                                           D3D12_RESOURCE_STATE_COPY_DEST);
  const auto toCommon = CD3DX12_RESOURCE_BARRIER::Transition(texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                             D3D12_RESOURCE_STATE_COMMON);
  list->ResourceBarrier(1, &toDest);
  list->CopyResource(texture.Get(), source.Get());
  list->ResourceBarrier(1, &toCommon);
  ExecuteAndWait();
  std::vector<uint8_t> read(3 * 2 * 4);
  ASSERT_EQ(texture->ReadFromSubresource(read.data(), 3 * 4, 0, 0, &region), S_OK);
  for (UINT row = 0; row < 2; ++row) {
    EXPECT_TRUE(std::equal(read.begin() + row * 12, read.begin() + row * 12 + 12,
                           whole.begin() + ((5 + row) * kSide + 2) * 4)) << row;
  }
  texture->Unmap(0, nullptr);

  // Heaps the CPU cannot reach refuse both, as do boxes outside the texture.
  ComPtr<ID3D12Resource> gpuOnly = Texture(kSide, kSide, D3D12_RESOURCE_STATE_COMMON);
  EXPECT_EQ(gpuOnly->WriteToSubresource(0, nullptr, box.data(), 12, 0), E_INVALIDARG);
  EXPECT_EQ(gpuOnly->ReadFromSubresource(read.data(), 12, 0, 0, nullptr), E_INVALIDARG);
  const D3D12_BOX outside{6, 0, 0, 9, 1, 1};
  EXPECT_EQ(texture->WriteToSubresource(0, &outside, box.data(), 12, 0), E_INVALIDARG);
}

}  // namespace
