// ID3D12GraphicsCommandList: records into a Vulkan command buffer as the calls arrive. Rendering begins
// lazily at the first draw after OMSetRenderTargets and ends before barriers, copies and Close; clears wait
// for the rendering they can become the load operation of. Root descriptor tables turn into push-descriptor
// writes when a draw needs them.
#pragma once

#include "ComObject.h"
#include "DescriptorHeap.h"
#include "EventLabels.h"
#include "RootSignatureEncoding.h"

#include <vulkan/vulkan.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace d3d12vk {

class CommandAllocator;
class CommandSignature;
class DescriptorHeap;
class PipelineState;
class QueryHeap;
class Resource;
class RootSignature;
struct RootParameterLayout;
struct PipelineBinding;

class CommandList final
    : public DeviceChild<ID3D12GraphicsCommandList8, ID3D12GraphicsCommandList7, ID3D12GraphicsCommandList6,
                         ID3D12GraphicsCommandList5, ID3D12GraphicsCommandList4, ID3D12GraphicsCommandList3,
                         ID3D12GraphicsCommandList2, ID3D12GraphicsCommandList1, ID3D12GraphicsCommandList,
                         ID3D12CommandList> {
 public:
  static HRESULT Create(Device& device, D3D12_COMMAND_LIST_TYPE type, CommandAllocator* allocator,
                        PipelineState* initialState, CommandList** commandList);

  // ID3D12CommandList
  D3D12_COMMAND_LIST_TYPE STDMETHODCALLTYPE GetType() override { return type_; }

  // ID3D12GraphicsCommandList: lifetime (CommandList.cpp)
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE Reset(ID3D12CommandAllocator* allocator, ID3D12PipelineState* initialState) override;
  void STDMETHODCALLTYPE ClearState(ID3D12PipelineState* pipelineState) override;

  // Pipeline state and bindings (CommandListBindings.cpp)
  void STDMETHODCALLTYPE SetPipelineState(ID3D12PipelineState* pipelineState) override;
  void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D12_PRIMITIVE_TOPOLOGY topology) override;
  void STDMETHODCALLTYPE IASetVertexBuffers(UINT startSlot, UINT count, const D3D12_VERTEX_BUFFER_VIEW* views) override;
  void STDMETHODCALLTYPE IASetIndexBuffer(const D3D12_INDEX_BUFFER_VIEW* view) override;
  void STDMETHODCALLTYPE RSSetViewports(UINT count, const D3D12_VIEWPORT* viewports) override;
  void STDMETHODCALLTYPE RSSetScissorRects(UINT count, const D3D12_RECT* rects) override;
  void STDMETHODCALLTYPE OMSetBlendFactor(const FLOAT blendFactor[4]) override;
  void STDMETHODCALLTYPE OMSetStencilRef(UINT stencilRef) override;
  void STDMETHODCALLTYPE SetDescriptorHeaps(UINT count, ID3D12DescriptorHeap* const* heaps) override;
  void STDMETHODCALLTYPE SetGraphicsRootSignature(ID3D12RootSignature* rootSignature) override;
  void STDMETHODCALLTYPE SetGraphicsRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE base) override;
  void STDMETHODCALLTYPE SetGraphicsRootConstantBufferView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;

  // Render targets, clears and draws (CommandListDraw.cpp)
  void STDMETHODCALLTYPE OMSetRenderTargets(UINT count, const D3D12_CPU_DESCRIPTOR_HANDLE* renderTargets,
                                            BOOL singleHandleToDescriptorRange,
                                            const D3D12_CPU_DESCRIPTOR_HANDLE* depthStencil) override;
  void STDMETHODCALLTYPE ClearRenderTargetView(D3D12_CPU_DESCRIPTOR_HANDLE view, const FLOAT color[4], UINT rectCount,
                                               const D3D12_RECT* rects) override;
  void STDMETHODCALLTYPE ClearDepthStencilView(D3D12_CPU_DESCRIPTOR_HANDLE view, D3D12_CLEAR_FLAGS flags, FLOAT depth,
                                               UINT8 stencil, UINT rectCount, const D3D12_RECT* rects) override;
  void STDMETHODCALLTYPE DrawInstanced(UINT vertexCount, UINT instanceCount, UINT startVertex,
                                       UINT startInstance) override;
  void STDMETHODCALLTYPE DrawIndexedInstanced(UINT indexCount, UINT instanceCount, UINT startIndex, INT baseVertex,
                                              UINT startInstance) override;

  // Compute: root arguments, dispatches, root views of both kinds and UAV clears (CommandListCompute.cpp)
  void STDMETHODCALLTYPE SetComputeRootSignature(ID3D12RootSignature* rootSignature) override;
  void STDMETHODCALLTYPE SetComputeRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE base) override;
  void STDMETHODCALLTYPE SetComputeRoot32BitConstant(UINT parameter, UINT value, UINT offset) override;
  void STDMETHODCALLTYPE SetComputeRoot32BitConstants(UINT parameter, UINT count, const void* values,
                                                      UINT offset) override;
  void STDMETHODCALLTYPE SetComputeRootConstantBufferView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
  void STDMETHODCALLTYPE SetComputeRootShaderResourceView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
  void STDMETHODCALLTYPE SetGraphicsRootShaderResourceView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
  void STDMETHODCALLTYPE SetComputeRootUnorderedAccessView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
  void STDMETHODCALLTYPE SetGraphicsRootUnorderedAccessView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
  void STDMETHODCALLTYPE Dispatch(UINT groupsX, UINT groupsY, UINT groupsZ) override;
  void STDMETHODCALLTYPE ClearUnorderedAccessViewUint(D3D12_GPU_DESCRIPTOR_HANDLE gpuView,
                                                      D3D12_CPU_DESCRIPTOR_HANDLE cpuView, ID3D12Resource* resource,
                                                      const UINT values[4], UINT rectCount,
                                                      const D3D12_RECT* rects) override;
  void STDMETHODCALLTYPE ClearUnorderedAccessViewFloat(D3D12_GPU_DESCRIPTOR_HANDLE gpuView,
                                                       D3D12_CPU_DESCRIPTOR_HANDLE cpuView, ID3D12Resource* resource,
                                                       const FLOAT values[4], UINT rectCount,
                                                       const D3D12_RECT* rects) override;

  // Barriers and copies (CommandListTransfer.cpp)
  void STDMETHODCALLTYPE ResourceBarrier(UINT count, const D3D12_RESOURCE_BARRIER* barriers) override;
  void STDMETHODCALLTYPE CopyBufferRegion(ID3D12Resource* destination, UINT64 destinationOffset, ID3D12Resource* source,
                                          UINT64 sourceOffset, UINT64 byteCount) override;
  void STDMETHODCALLTYPE CopyTextureRegion(const D3D12_TEXTURE_COPY_LOCATION* destination, UINT x, UINT y, UINT z,
                                           const D3D12_TEXTURE_COPY_LOCATION* source, const D3D12_BOX* box) override;
  void STDMETHODCALLTYPE CopyResource(ID3D12Resource* destination, ID3D12Resource* source) override;

  // Multisample resolves (CommandListResolve.cpp)
  void STDMETHODCALLTYPE ResolveSubresource(ID3D12Resource* destination, UINT destinationSubresource,
                                            ID3D12Resource* source, UINT sourceSubresource,
                                            DXGI_FORMAT format) override;

  // Queries and predication (CommandListQueries.cpp)
  void STDMETHODCALLTYPE BeginQuery(ID3D12QueryHeap* heap, D3D12_QUERY_TYPE type, UINT index) override;
  void STDMETHODCALLTYPE EndQuery(ID3D12QueryHeap* heap, D3D12_QUERY_TYPE type, UINT index) override;
  void STDMETHODCALLTYPE ResolveQueryData(ID3D12QueryHeap* heap, D3D12_QUERY_TYPE type, UINT startIndex, UINT count,
                                          ID3D12Resource* destination, UINT64 destinationOffset) override;
  void STDMETHODCALLTYPE SetPredication(ID3D12Resource* buffer, UINT64 offset, D3D12_PREDICATION_OP operation) override;

  // Bundles (Bundle.cpp)
  void STDMETHODCALLTYPE ExecuteBundle(ID3D12GraphicsCommandList* bundle) override;

  // Outside the subset (CommandListUnsupported.cpp)
  void STDMETHODCALLTYPE CopyTiles(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*,
                                   const D3D12_TILE_REGION_SIZE*, ID3D12Resource*, UINT64,
                                   D3D12_TILE_COPY_FLAGS) override;
  void STDMETHODCALLTYPE SetGraphicsRoot32BitConstant(UINT parameter, UINT value, UINT offset) override;
  void STDMETHODCALLTYPE SetGraphicsRoot32BitConstants(UINT parameter, UINT count, const void* values,
                                                       UINT offset) override;
  void STDMETHODCALLTYPE SOSetTargets(UINT, UINT, const D3D12_STREAM_OUTPUT_BUFFER_VIEW*) override;
  void STDMETHODCALLTYPE ExecuteIndirect(ID3D12CommandSignature*, UINT, ID3D12Resource*, UINT64, ID3D12Resource*,
                                         UINT64) override;

  // Hints and annotations (CommandListAnnotations.cpp)
  void STDMETHODCALLTYPE DiscardResource(ID3D12Resource* resource, const D3D12_DISCARD_REGION* region) override;
  void STDMETHODCALLTYPE SetMarker(UINT metadata, const void* data, UINT size) override;
  void STDMETHODCALLTYPE BeginEvent(UINT metadata, const void* data, UINT size) override;
  void STDMETHODCALLTYPE EndEvent() override;

  // ID3D12GraphicsCommandList1, 2 and 3 (CommandListVersions.cpp)
  void STDMETHODCALLTYPE AtomicCopyBufferUINT(ID3D12Resource* destination, UINT64 destinationOffset,
                                              ID3D12Resource* source, UINT64 sourceOffset, UINT dependentCount,
                                              ID3D12Resource* const* dependentResources,
                                              const D3D12_SUBRESOURCE_RANGE_UINT64* dependentRanges) override;
  void STDMETHODCALLTYPE AtomicCopyBufferUINT64(ID3D12Resource* destination, UINT64 destinationOffset,
                                                ID3D12Resource* source, UINT64 sourceOffset, UINT dependentCount,
                                                ID3D12Resource* const* dependentResources,
                                                const D3D12_SUBRESOURCE_RANGE_UINT64* dependentRanges) override;
  void STDMETHODCALLTYPE OMSetDepthBounds(FLOAT minimum, FLOAT maximum) override;
  void STDMETHODCALLTYPE SetSamplePositions(UINT samplesPerPixel, UINT pixelCount,
                                            D3D12_SAMPLE_POSITION* positions) override;
  void STDMETHODCALLTYPE ResolveSubresourceRegion(ID3D12Resource* destination, UINT destinationSubresource, UINT x,
                                                  UINT y, ID3D12Resource* source, UINT sourceSubresource,
                                                  D3D12_RECT* sourceRect, DXGI_FORMAT format,
                                                  D3D12_RESOLVE_MODE mode) override;
  void STDMETHODCALLTYPE SetViewInstanceMask(UINT mask) override;
  void STDMETHODCALLTYPE WriteBufferImmediate(UINT count, const D3D12_WRITEBUFFERIMMEDIATE_PARAMETER* parameters,
                                              const D3D12_WRITEBUFFERIMMEDIATE_MODE* modes) override;
  void STDMETHODCALLTYPE SetProtectedResourceSession(ID3D12ProtectedResourceSession* session) override;

  // ID3D12GraphicsCommandList4 to 8 (CommandListLaterVersions.cpp)
  void STDMETHODCALLTYPE BeginRenderPass(UINT targetCount, const D3D12_RENDER_PASS_RENDER_TARGET_DESC* targets,
                                         const D3D12_RENDER_PASS_DEPTH_STENCIL_DESC* depthStencil,
                                         D3D12_RENDER_PASS_FLAGS flags) override;
  void STDMETHODCALLTYPE EndRenderPass() override;
  void STDMETHODCALLTYPE InitializeMetaCommand(ID3D12MetaCommand*, const void*, SIZE_T) override;
  void STDMETHODCALLTYPE ExecuteMetaCommand(ID3D12MetaCommand*, const void*, SIZE_T) override;
  void STDMETHODCALLTYPE
  BuildRaytracingAccelerationStructure(const D3D12_BUILD_RAYTRACING_ACCELERATION_STRUCTURE_DESC*, UINT,
                                       const D3D12_RAYTRACING_ACCELERATION_STRUCTURE_POSTBUILD_INFO_DESC*) override;
  void STDMETHODCALLTYPE
  EmitRaytracingAccelerationStructurePostbuildInfo(const D3D12_RAYTRACING_ACCELERATION_STRUCTURE_POSTBUILD_INFO_DESC*,
                                                   UINT, const D3D12_GPU_VIRTUAL_ADDRESS*) override;
  void STDMETHODCALLTYPE CopyRaytracingAccelerationStructure(
      D3D12_GPU_VIRTUAL_ADDRESS, D3D12_GPU_VIRTUAL_ADDRESS, D3D12_RAYTRACING_ACCELERATION_STRUCTURE_COPY_MODE) override;
  void STDMETHODCALLTYPE SetPipelineState1(ID3D12StateObject*) override;
  void STDMETHODCALLTYPE DispatchRays(const D3D12_DISPATCH_RAYS_DESC*) override;
  void STDMETHODCALLTYPE RSSetShadingRate(D3D12_SHADING_RATE, const D3D12_SHADING_RATE_COMBINER*) override;
  void STDMETHODCALLTYPE RSSetShadingRateImage(ID3D12Resource*) override;
  void STDMETHODCALLTYPE DispatchMesh(UINT, UINT, UINT) override;
  void STDMETHODCALLTYPE Barrier(UINT32, const D3D12_BARRIER_GROUP*) override;
  void STDMETHODCALLTYPE OMSetFrontAndBackStencilRef(UINT frontStencilRef, UINT backStencilRef) override;

  bool IsClosed() const { return !recording_; }
  bool IsBundle() const { return type_ == D3D12_COMMAND_LIST_TYPE_BUNDLE; }
  VkCommandBuffer Commands() const { return commands_; }
  void MarkSubmitted(uint64_t serial);
  CommandAllocator* Allocator() const { return allocator_; }

 private:
  // A clear waiting to become the load operation of the next rendering that uses its view.
  struct PendingClear {
    Descriptor target;
    VkImageAspectFlags aspects;
    VkClearValue value;
  };

  // A root parameter as last set: a table start or a root buffer.
  struct RootArgument {
    bool set = false;
    DescriptorHeap* heap = nullptr;
    uint32_t index = 0;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    VkDeviceSize range = 0;
  };

  // The root signature and arguments of one pipeline kind: graphics and compute keep theirs apart, as in
  // Direct3D 12.
  struct RootState {
    RootSignature* signature = nullptr;
    std::array<RootArgument, kMaxRootDwords> arguments{};
    std::array<uint32_t, kMaxRootDwords> constants{};
    uint64_t constantsToUpload = 0;  // one bit per root parameter
    bool descriptorsDirty = true;
    // Root parameters whose arguments changed since the last push, one bit each; every bit after anything
    // that leaves the pushed descriptors unknown (a new list, root signature or pipeline).
    uint64_t changedArguments = ~uint64_t{0};
  };

  // A bundle keeps its calls as commands that ExecuteBundle replays into the calling list, so the caller's
  // state is there for them to inherit and what they set stays behind, as in Direct3D 12.
  using BundleCommand = std::function<void(CommandList&)>;

  explicit CommandList(Device& device);
  ~CommandList() override;

  HRESULT BeginRecording(const char* call, CommandAllocator* allocator, PipelineState* initialState);
  HRESULT BeginBundle(CommandAllocator* allocator, PipelineState* initialState);
  HRESULT CloseBundle();
  void ResetState(PipelineState* initialState);
  // Reports a misuse of a void method; Close then fails with E_INVALIDARG, as in Direct3D 12.
  void Reject(const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));
  bool CheckRecording(const char* call);

  // Annotations (CommandListAnnotations.cpp): one event label of `kind`; an end without an open event is
  // dropped, and events still open at Close are ended there, so every command buffer balances its labels.
  void RecordEventLabel(LabelKind kind, const std::string& text);
  void EndOpenEventLabels();

  // Bundles (Bundle.cpp). Keeps `command` for ExecuteBundle when the list is an open bundle.
  void RecordForBundle(const char* call, BundleCommand command);
  // Rejects a call that bundles may not make (clears, targets, viewports, copies, barriers).
  void RejectInBundle(const char* call);
  // Replays a bundle's SetDescriptorHeaps: bundles use their caller's heaps and may only name them again.
  void CheckBundleHeaps(const std::array<DescriptorHeap*, 2>& heaps);
  // The layout of root parameter `parameter` of the set root signature if it is of `type`; otherwise null
  // after rejecting the call (`kind` names the type in the message).
  const RootParameterLayout* RootParameter(const RootState& root, const char* call, UINT parameter,
                                           D3D12_ROOT_PARAMETER_TYPE type, const char* kind);
  // The setters behind the Graphics and Compute variants (CommandListBindings.cpp).
  void SetRootSignature(RootState& root, const char* call, ID3D12RootSignature* rootSignature);
  void SetRootConstants(RootState& root, const char* call, UINT parameter, UINT count, const void* values, UINT offset);
  void SetRootDescriptorTable(RootState& root, const char* call, UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE base);
  void SetRootView(RootState& root, const char* call, UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address,
                   D3D12_ROOT_PARAMETER_TYPE type);
  // Uploads changed root constants and pushes the descriptors of `pipeline` when arguments changed.
  bool PrepareRootArguments(RootState& root, const char* call, const PipelineState& pipeline,
                            VkPipelineBindPoint bindPoint);

  // Rendering (CommandListDraw.cpp)
  bool PrepareDraw(const char* call, bool indexed);
  // Checks a dispatch and binds its pipeline and root arguments (CommandListCompute.cpp).
  bool PrepareDispatch(const char* call);
  // ExecuteIndirect (CommandListIndirect.cpp): commands Vulkan's indirect commands take as they are, and the
  // split of those that set root constants too (IndirectSlots).
  void ExecuteDirect(const char* call, const CommandSignature& signature, UINT maxCount, Resource& arguments,
                     UINT64 argumentOffset, Resource* count, UINT64 countOffset);
  void ExecuteSplit(const char* call, const CommandSignature& signature, UINT maxCount, Resource& arguments,
                    UINT64 argumentOffset, Resource* count, UINT64 countOffset);
  bool TargetsMatchPipeline(const char* call);
  // Whether every bound target has `count` samples (CommandListResolve.cpp).
  bool TargetsMatchSampleCount(UINT count) const;
  // Ends the predication SetPredication began (CommandListQueries.cpp).
  void EndPredication();
  // Resolves binary occlusion queries to exactly 0 or 1 through the heap's flag image (CommandListQueries.cpp).
  void ResolveBinaryOcclusion(QueryHeap& heap, UINT startIndex, UINT count, Resource& destination,
                              UINT64 destinationOffset);
  bool BeginRendering(const char* call);
  // Begins rendering to these targets; pending clears of them become their load operations.
  void RecordRendering(const Descriptor* colors, UINT colorCount, const Descriptor* depthStencil);
  void EndRendering();
  void AddPendingClear(const Descriptor& target, VkImageAspectFlags aspects, const VkClearValue& value);
  bool TakePendingClear(VkImageView view, VkImageAspectFlags aspect, VkClearValue* value);
  void FlushPendingClears();
  void ClearInRendering(const Descriptor& target, VkImageAspectFlags aspects, const VkClearValue& value, UINT rectCount,
                        const D3D12_RECT* rects);
  void Clear(const char* call, const Descriptor& target, VkImageAspectFlags aspects, const VkClearValue& value,
             UINT rectCount, const D3D12_RECT* rects);
  bool IsBoundTarget(VkImageView view) const;
  bool PushDescriptors(RootState& root, const char* call, const PipelineState& pipeline, VkPipelineBindPoint bindPoint);
  // Points `write` at one descriptor of a table; false when there is nothing to write (or the work must be
  // skipped, after rejecting it).
  bool WriteDescriptor(const char* call, const Descriptor& descriptor, VkWriteDescriptorSet* write);
  bool WriteNullDescriptor(VkWriteDescriptorSet* write);
  // Points `write` at the counter of the UAV `binding` reads from `argument`'s table; false after rejecting the
  // work when the view has none.
  bool WriteCounterDescriptor(const char* call, const RootArgument& argument, const PipelineBinding& binding,
                              VkWriteDescriptorSet* write);
  // Gives the root constants set since the last draw their own memory and binds it.
  bool UploadRootConstants(RootState& root, const char* call);
  // UAV clears (CommandListCompute.cpp)
  void ClearUnorderedAccess(const char* call, D3D12_CPU_DESCRIPTOR_HANDLE cpuView, ID3D12Resource* resource,
                            const VkClearColorValue& value, uint32_t fillWord, UINT rectCount,
                            const D3D12_RECT* rects);
  void FillBufferRects(const Descriptor& view, uint32_t fillWord, UINT rectCount, const D3D12_RECT* rects);
  bool ClearImageRects(const Descriptor& view, const VkClearColorValue& value, UINT rectCount,
                       const D3D12_RECT* rects);

  // Copies (CommandListTransfer.cpp)
  void CopyBetweenTextures(const char* call, Resource& to, UINT toSubresource, UINT x, UINT y, Resource& from,
                           UINT fromSubresource, const D3D12_BOX* box);
  void CopyBufferToTexture(const char* call, Resource& from, const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& placed,
                           Resource& to, UINT subresource, UINT x, UINT y, const D3D12_BOX* box);
  void CopyTextureToBuffer(const char* call, Resource& from, UINT subresource, const D3D12_BOX* box, Resource& to,
                           const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& placed, UINT x, UINT y);
  void AtomicCopy(const char* call, ID3D12Resource* destination, UINT64 destinationOffset, ID3D12Resource* source,
                  UINT64 sourceOffset, UINT64 size, UINT dependentCount);

  D3D12_COMMAND_LIST_TYPE type_ = D3D12_COMMAND_LIST_TYPE_DIRECT;
  CommandAllocator* allocator_ = nullptr;
  VkCommandBuffer commands_ = VK_NULL_HANDLE;
  bool recording_ = false;
  bool rejectedCall_ = false;
  UINT openEventLabels_ = 0;

  // Output merger.
  UINT renderTargetCount_ = 0;
  std::array<Descriptor, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> renderTargets_{};
  Descriptor depthStencil_{};
  bool renderingActive_ = false;
  VkExtent2D renderArea_{};
  std::vector<PendingClear> pendingClears_;
  // Between SetPredication with a buffer and its end: clears cannot wait to become load operations, which
  // would escape the predicate.
  bool predicating_ = false;

  // Pipeline and fixed-function state.
  PipelineState* pipeline_ = nullptr;
  VkPipeline boundPipeline_ = VK_NULL_HANDLE;
  D3D_PRIMITIVE_TOPOLOGY topology_ = D3D_PRIMITIVE_TOPOLOGY_UNDEFINED;
  int primitiveRestart_ = -1;  // unknown until first set
  bool viewportSet_ = false;
  bool scissorSet_ = false;
  bool indexBufferSet_ = false;
  UINT indexBufferCapacity_ = 0;  // indices the bound index buffer view holds
  // The views last bound: programs re-set the same buffers for every draw, and an unchanged view needs no
  // new binding.
  D3D12_INDEX_BUFFER_VIEW indexBufferView_{};
  std::array<D3D12_VERTEX_BUFFER_VIEW, D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> vertexBufferViews_{};
  bool vertexBuffersSet_ = false;

  // Root signatures and their arguments.
  RootState graphics_;
  RootState compute_;
  VkPipeline boundComputePipeline_ = VK_NULL_HANDLE;
  std::array<DescriptorHeap*, 2> descriptorHeaps_{};

  // Scratch for descriptor pushes, kept to avoid allocating per draw.
  std::vector<VkWriteDescriptorSet> writes_;
  std::vector<VkDescriptorBufferInfo> bufferInfos_;
  std::vector<VkDescriptorImageInfo> imageInfos_;
  std::vector<VkBufferView> texelViews_;

  // Bundles: the recorded commands and the pipeline state the bundle was created or reset with.
  std::vector<BundleCommand> bundleCommands_;
  PipelineState* bundlePipeline_ = nullptr;
  // While a bundle replays into this list: the caller's topology is not the bundle's, so draws need the
  // bundle to set one first. The Vulkan state stays as it is, which spares setting it again when equal.
  bool replayingBundle_ = false;
  bool bundleSetTopology_ = false;
};

}  // namespace d3d12vk
