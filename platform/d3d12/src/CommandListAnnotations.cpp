// What a command list records that leaves results as they are: resource discards (a hint) and event
// annotations (labels for capture tools).
#include "CommandList.h"
#include "Device.h"
#include "Diagnostics.h"

namespace d3d12vk {

void CommandList::DiscardResource(ID3D12Resource* resource, const D3D12_DISCARD_REGION*) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::DiscardResource";
  if (!CheckRecording(kCall)) return;
  if (IsBundle()) return RejectInBundle(kCall);
  if (resource == nullptr) return Reject(kCall, "pResource is null");
  // A discard lets the contents become undefined; keeping them is one of the outcomes it allows.
}

void CommandList::SetMarker(UINT metadata, const void* data, UINT size) {
  if (!CheckRecording("ID3D12GraphicsCommandList::SetMarker")) return;
  RecordEventLabel(LabelKind::Marker, EventText(metadata, data, size));
}

void CommandList::BeginEvent(UINT metadata, const void* data, UINT size) {
  if (!CheckRecording("ID3D12GraphicsCommandList::BeginEvent")) return;
  RecordEventLabel(LabelKind::Begin, EventText(metadata, data, size));
}

void CommandList::EndEvent() {
  if (!CheckRecording("ID3D12GraphicsCommandList::EndEvent")) return;
  RecordEventLabel(LabelKind::End, {});
}

void CommandList::RecordEventLabel(LabelKind kind, const std::string& text) {
  if (IsBundle()) {
    return RecordForBundle("event", [kind, text](CommandList& list) { list.RecordEventLabel(kind, text); });
  }
  if (kind == LabelKind::End) {
    if (openEventLabels_ == 0) return;
    --openEventLabels_;
  } else if (kind == LabelKind::Begin) {
    ++openEventLabels_;
  }
  // Labels are kept out of rendering, which begins and ends where the layer needs it, not where events do.
  EndRendering();
  LabelCommands(OwningDevice().Vulkan().Instance(), commands_, kind, text);
}

void CommandList::EndOpenEventLabels() {
  while (openEventLabels_ > 0) RecordEventLabel(LabelKind::End, {});
}

}  // namespace d3d12vk
