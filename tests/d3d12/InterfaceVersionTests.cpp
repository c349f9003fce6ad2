// Newer Direct3D 12 interface versions: the device and command list hand out each version the layer
// implements (and nothing past it), and the methods those versions add do what Direct3D 12 says.
#include "ColoredGeometry.h"
#include "GpuTest.h"
#include "VersionLadder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <typeinfo>

namespace {

size_t ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return size_t(std::distance(begin(tasks), end(tasks)));
}

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

const char* kSolidPS = R"(
float4 main() : SV_Target { return float4(1.0, 0.5, 0.0, 1.0); })";

class InterfaceVersions : public GpuTest {
 protected:
  // Copies `size` bytes of `buffer` (in COPY_SOURCE state) to the CPU.
  std::vector<uint8_t> ReadBuffer(ID3D12Resource* buffer, UINT64 size) {
    auto readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, size, D3D12_RESOURCE_STATE_COPY_DEST);
    list->CopyBufferRegion(readback.Get(), 0, buffer, 0, size);
    ExecuteAndWait();
    std::vector<uint8_t> bytes(size);
    void* mapped = nullptr;
    EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
    if (mapped != nullptr) std::memcpy(bytes.data(), mapped, size);
    readback->Unmap(0, nullptr);
    return bytes;
  }
};

TEST_F(InterfaceVersions, DeviceAndCommandListHandOutTheVersionsTheyImplement) {
  ExpectEveryVersion<ID3D12Object, ID3D12Device, ID3D12Device1, ID3D12Device2, ID3D12Device3, ID3D12Device4,
                     ID3D12Device5, ID3D12Device6, ID3D12Device7, ID3D12Device8, ID3D12Device9, ID3D12Device10>(
      device.Get());
  ComPtr<ID3D12Device11> device11;
  EXPECT_EQ(device.As(&device11), E_NOINTERFACE);
  EXPECT_EQ(device11.Get(), nullptr);

  ExpectEveryVersion<ID3D12CommandList, ID3D12GraphicsCommandList, ID3D12GraphicsCommandList1,
                     ID3D12GraphicsCommandList2, ID3D12GraphicsCommandList3, ID3D12GraphicsCommandList4,
                     ID3D12GraphicsCommandList5, ID3D12GraphicsCommandList6, ID3D12GraphicsCommandList7,
                     ID3D12GraphicsCommandList8>(list.Get());

  // A child hands its device out at any version the device has.
  ComPtr<ID3D12Device10> parent;
  EXPECT_EQ(list->GetDevice(IID_PPV_ARGS(&parent)), S_OK);
  EXPECT_NE(parent.Get(), nullptr);
}

TEST_F(InterfaceVersions, APipelineStateStreamDrawsLikeItsDescription) {
  CreateTargets();
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{0, nullptr, 0, nullptr,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  auto root = CreateRootSignature(rootDesc);
  auto vs = Compile(kPositionVS, "vs_5_0");
  auto ps = Compile(kSolidPS, "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout);
  CD3DX12_PIPELINE_STATE_STREAM stream(desc);
  const D3D12_PIPELINE_STATE_STREAM_DESC streamDesc{sizeof(stream), &stream};
  ComPtr<ID3D12Device2> device2;
  ASSERT_EQ(device.As(&device2), S_OK);
  ComPtr<ID3D12PipelineState> pipeline;
  ASSERT_EQ(device2->CreatePipelineState(&streamDesc, IID_PPV_ARGS(&pipeline)), S_OK);

  const float triangle[] = {-1, -1, 0.5f, -1, 3, 0.5f, 3, -1, 0.5f};
  auto vertices = UploadBuffer(triangle, sizeof(triangle));
  ClearAndBind(root.Get(), pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D12_VERTEX_BUFFER_VIEW view{vertices->GetGPUVirtualAddress(), sizeof(triangle), 3 * sizeof(float)};
  list->IASetVertexBuffers(0, 1, &view);
  list->DrawInstanced(3, 1, 0, 0);
  const auto pixels = ReadTarget();
  EXPECT_TRUE(PixelNear(PixelAt(pixels, kWidth / 2, kHeight / 2), Rgba(255, 128, 0)));

  // A stream whose subobject type is unknown is refused.
  struct alignas(void*) Bad {
    D3D12_PIPELINE_STATE_SUBOBJECT_TYPE type = D3D12_PIPELINE_STATE_SUBOBJECT_TYPE_MAX_VALID;
    UINT value = 0;
  } bad;
  const D3D12_PIPELINE_STATE_STREAM_DESC badDesc{sizeof(bad), &bad};
  CaptureStderr();
  EXPECT_EQ(device2->CreatePipelineState(&badDesc, IID_PPV_ARGS(&pipeline)), E_INVALIDARG);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST_F(InterfaceVersions, ImmediateWritesAndAtomicCopiesLandInTheirBuffers) {
  ComPtr<ID3D12GraphicsCommandList2> list2;
  ASSERT_EQ(list.As(&list2), S_OK);
  auto target = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 32, D3D12_RESOURCE_STATE_COPY_DEST);
  const uint64_t wide = 0x1122334455667788ULL;
  auto source = UploadBuffer(&wide, sizeof(wide));

  const D3D12_WRITEBUFFERIMMEDIATE_PARAMETER writes[] = {{target->GetGPUVirtualAddress() + 4, 0xCAFEF00D},
                                                         {target->GetGPUVirtualAddress() + 12, 7}};
  const D3D12_WRITEBUFFERIMMEDIATE_MODE modes[] = {D3D12_WRITEBUFFERIMMEDIATE_MODE_DEFAULT,
                                                   D3D12_WRITEBUFFERIMMEDIATE_MODE_MARKER_OUT};
  list2->WriteBufferImmediate(2, writes, modes);
  list2->AtomicCopyBufferUINT64(target.Get(), 16, source.Get(), 0, 0, nullptr, nullptr);
  list2->AtomicCopyBufferUINT(target.Get(), 24, source.Get(), 4, 0, nullptr, nullptr);
  const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(target.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                             D3D12_RESOURCE_STATE_COPY_SOURCE);
  list->ResourceBarrier(1, &toSource);
  const auto bytes = ReadBuffer(target.Get(), 32);
  uint32_t words[8];
  std::memcpy(words, bytes.data(), sizeof(words));
  EXPECT_EQ(words[1], 0xCAFEF00Du);
  EXPECT_EQ(words[3], 7u);
  uint64_t copied = 0;
  std::memcpy(&copied, bytes.data() + 16, sizeof(copied));
  EXPECT_EQ(copied, wide);
  EXPECT_EQ(words[6], 0x11223344u);
}

TEST_F(InterfaceVersions, MisusedNewCommandsMakeCloseFail) {
  ComPtr<ID3D12GraphicsCommandList2> list2;
  ASSERT_EQ(list.As(&list2), S_OK);
  auto target = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  const D3D12_WRITEBUFFERIMMEDIATE_PARAMETER misaligned{target->GetGPUVirtualAddress() + 2, 1};
  CaptureStderr();
  list2->WriteBufferImmediate(1, &misaligned, nullptr);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("WriteBufferImmediate"), std::string::npos) << output;
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(InterfaceVersions, MultipleFenceWaitsSetTheEventForAnyOrAll) {
  ComPtr<ID3D12Device1> device1;
  ASSERT_EQ(device.As(&device1), S_OK);
  ComPtr<ID3D12Fence> first, second;
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&first)), S_OK);
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&second)), S_OK);
  ID3D12Fence* fences[] = {first.Get(), second.Get()};
  const UINT64 values[] = {1, 2};
  HANDLE any = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE all = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const size_t threadsBefore = ThreadCount();
  ASSERT_EQ(device1->SetEventOnMultipleFenceCompletion(fences, values, 2, D3D12_MULTIPLE_FENCE_WAIT_FLAG_ANY, any),
            S_OK);
  ASSERT_EQ(device1->SetEventOnMultipleFenceCompletion(fences, values, 2, D3D12_MULTIPLE_FENCE_WAIT_FLAG_NONE, all),
            S_OK);
  // The waits are done by whoever waits on the events: a thread left waiting could outlive the program.
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_EQ(WaitForSingleObject(any, 10), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_EQ(queue->Signal(first.Get(), 1), S_OK);
  EXPECT_EQ(WaitForSingleObject(any, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(all, 10), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(second->Signal(2), S_OK);  // a CPU-side signal counts as well
  EXPECT_EQ(WaitForSingleObject(all, 10000), static_cast<DWORD>(WAIT_OBJECT_0));

  // Without an event the call returns once the fences are there.
  ASSERT_EQ(device1->SetEventOnMultipleFenceCompletion(fences, values, 2, D3D12_MULTIPLE_FENCE_WAIT_FLAG_NONE, nullptr),
            S_OK);
  CloseHandle(any);
  CloseHandle(all);
}

TEST_F(InterfaceVersions, ResidencyIsImmediateAndPipelineLibrariesAreUnsupported) {
  ComPtr<ID3D12Device3> device3;
  ASSERT_EQ(device.As(&device3), S_OK);
  auto buffer = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 256, D3D12_RESOURCE_STATE_COMMON);
  ID3D12Pageable* objects[] = {buffer.Get()};
  ComPtr<ID3D12Fence> resident;
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&resident)), S_OK);
  ASSERT_EQ(device3->EnqueueMakeResident(D3D12_RESIDENCY_FLAG_NONE, 1, objects, resident.Get(), 5), S_OK);
  EXPECT_EQ(resident->GetCompletedValue(), 5u);
  const D3D12_RESIDENCY_PRIORITY priorities[] = {D3D12_RESIDENCY_PRIORITY_HIGH};
  EXPECT_EQ(device3->SetResidencyPriority(1, objects, priorities), S_OK);

  ComPtr<ID3D12PipelineLibrary> library;
  CaptureStderr();
  EXPECT_EQ(device3->CreatePipelineLibrary(nullptr, 0, IID_PPV_ARGS(&library)), DXGI_ERROR_UNSUPPORTED);
  EXPECT_EQ(device3->EnqueueMakeResident(D3D12_RESIDENCY_FLAG_NONE, 1, objects, nullptr, 1), E_INVALIDARG);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
  EXPECT_EQ(library.Get(), nullptr);
}

}  // namespace
