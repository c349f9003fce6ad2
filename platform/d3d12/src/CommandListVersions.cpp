// The methods ID3D12GraphicsCommandList1, 2 and 3 add. Atomic copies and immediate buffer writes are
// transfer commands; depth bounds, programmable sample positions and view instancing are features the device
// reports as absent (CheckFeatureSupport), so their calls are reported and ignored.

#include "CommandList.h"
#include "Device.h"
#include "Diagnostics.h"
#include "Resource.h"

namespace d3d12vk {

void CommandList::AtomicCopy(const char* call, ID3D12Resource* destination, UINT64 destinationOffset,
                             ID3D12Resource* source, UINT64 sourceOffset, UINT64 size, UINT dependentCount) {
  if (!CheckRecording(call)) return;
  if (destinationOffset % size != 0 || sourceOffset % size != 0) {
    return Reject(call, "offsets must be multiples of %llu", (unsigned long long)size);
  }
  // The copy is one command on an in-order queue: it sees every write recorded before it, the dependent
  // resources' included, once the program's barriers are in place, and no later command sees half of it.
  (void)dependentCount;
  CopyBufferRegion(destination, destinationOffset, source, sourceOffset, size);
}

void CommandList::AtomicCopyBufferUINT(ID3D12Resource* destination, UINT64 destinationOffset, ID3D12Resource* source,
                                       UINT64 sourceOffset, UINT dependentCount, ID3D12Resource* const*,
                                       const D3D12_SUBRESOURCE_RANGE_UINT64*) {
  AtomicCopy("ID3D12GraphicsCommandList1::AtomicCopyBufferUINT", destination, destinationOffset, source, sourceOffset,
             sizeof(UINT), dependentCount);
}

void CommandList::AtomicCopyBufferUINT64(ID3D12Resource* destination, UINT64 destinationOffset, ID3D12Resource* source,
                                         UINT64 sourceOffset, UINT dependentCount, ID3D12Resource* const*,
                                         const D3D12_SUBRESOURCE_RANGE_UINT64*) {
  AtomicCopy("ID3D12GraphicsCommandList1::AtomicCopyBufferUINT64", destination, destinationOffset, source, sourceOffset,
             sizeof(UINT64), dependentCount);
}

void CommandList::OMSetDepthBounds(FLOAT, FLOAT) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList1::OMSetDepthBounds");
}

void CommandList::SetSamplePositions(UINT, UINT, D3D12_SAMPLE_POSITION*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList1::SetSamplePositions");
}

void CommandList::ResolveSubresourceRegion(ID3D12Resource*, UINT, UINT, UINT, ID3D12Resource*, UINT, D3D12_RECT*,
                                           DXGI_FORMAT, D3D12_RESOLVE_MODE) {
  // Multisampled resources are outside the layer, as for ResolveSubresource.
  ReportNotImplementedOnce("ID3D12GraphicsCommandList1::ResolveSubresourceRegion");
}

void CommandList::SetViewInstanceMask(UINT) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList1::SetViewInstanceMask");
}

void CommandList::WriteBufferImmediate(UINT count, const D3D12_WRITEBUFFERIMMEDIATE_PARAMETER* parameters,
                                       const D3D12_WRITEBUFFERIMMEDIATE_MODE* modes) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList2::WriteBufferImmediate";
  if (!CheckRecording(kCall)) return;
  if (count > 0 && parameters == nullptr) return Reject(kCall, "pParams is null");
  for (UINT i = 0; i < count; ++i) {
    if (modes != nullptr && modes[i] != D3D12_WRITEBUFFERIMMEDIATE_MODE_DEFAULT &&
        modes[i] != D3D12_WRITEBUFFERIMMEDIATE_MODE_MARKER_IN &&
        modes[i] != D3D12_WRITEBUFFERIMMEDIATE_MODE_MARKER_OUT) {
      return Reject(kCall, "mode %d of write %u is not a write mode", modes[i], i);
    }
    if (parameters[i].Dest % 4 != 0) {
      return Reject(kCall, "write %u goes to 0x%llx, which is not 4-byte aligned", i,
                    (unsigned long long)parameters[i].Dest);
    }
    ResolvedAddress resolved;
    if (!OwningDevice().Addresses().Resolve(parameters[i].Dest, &resolved)) {
      return Reject(kCall, "write %u goes to 0x%llx, which is in no buffer", i, (unsigned long long)parameters[i].Dest);
    }
  }
  EndRendering();
  FlushPendingClears();
  // The marker modes only say when, relative to other work, the value lands; on one in-order queue each
  // write lands after the commands before it either way.
  for (UINT i = 0; i < count; ++i) {
    ResolvedAddress resolved;
    OwningDevice().Addresses().Resolve(parameters[i].Dest, &resolved);
    vkCmdFillBuffer(commands_, resolved.buffer, resolved.offset, sizeof(UINT32), parameters[i].Value);
  }
}

void CommandList::SetProtectedResourceSession(ID3D12ProtectedResourceSession* session) {
  // Protected sessions cannot be created here, so the only session there is to set is none.
  if (session != nullptr) {
    Reject("ID3D12GraphicsCommandList3::SetProtectedResourceSession", "protected resource sessions are not available");
  }
}

}  // namespace d3d12vk
