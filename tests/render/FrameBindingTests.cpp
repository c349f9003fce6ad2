// What each draw of a frame binds: the frame is recorded through a list that notes the calls, the state
// in effect at every draw is rebuilt from them, and each draw is checked against the heap layout and the
// pipeline library: the text box with "font", "default" and the atlas, every mesh item with "object" (the
// skinning one for rigid and skinned meshes alike), the model texture, the camera and bone views and a
// per-object view of its own.
#include "support/RecordingCommandList.h"
#include "support/RendererFixture.h"

#include "render/ConstantBufferLayout.h"
#include "render/DescriptorHeaps.h"
#include "render/FrameRecorder.h"
#include "render/PipelineLibrary.h"
#include "render/StructGetters.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// The bound state a draw ran with.
struct Draw {
  RecordedCall Call;
  uint64_t RootSignature = 0;
  uint64_t PipelineState = 0;
  uint64_t Topology = 0;
  std::map<uint64_t, uint64_t> Tables;  // root parameter -> GPU descriptor handle
  std::vector<uint64_t> Heaps;
};

std::vector<Draw> DrawsOf(const std::vector<RecordedCall>& calls) {
  std::vector<Draw> draws;
  Draw state;
  for (const RecordedCall& call : calls) {
    if (call.Name == "SetGraphicsRootSignature") {
      // A new root signature starts with no arguments bound.
      state.RootSignature = call.Arguments[0];
      state.Tables.clear();
    } else if (call.Name == "SetPipelineState") {
      state.PipelineState = call.Arguments[0];
    } else if (call.Name == "IASetPrimitiveTopology") {
      state.Topology = call.Arguments[0];
    } else if (call.Name == "SetGraphicsRootDescriptorTable") {
      state.Tables[call.Arguments[0]] = call.Arguments[1];
    } else if (call.Name == "SetDescriptorHeaps") {
      state.Heaps = call.Arguments;
    } else if (call.Name == "DrawInstanced" || call.Name == "DrawIndexedInstanced") {
      state.Call = call;
      draws.push_back(state);
    }
  }
  return draws;
}

uint64_t Address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

class FrameBinding : public RendererFixture {
 protected:
  void SetUp() override {
    RendererFixture::SetUp();
    StartUp();
  }

  // One frame as DrawFrame records it, noted call by call on the Renderer's own list, then run.
  std::vector<Draw> RecordFrame() {
    BeginCommands();
    ID3D12GraphicsCommandList* list = renderer->CommandList;
    RecordingCommandList recording(list);
    renderer->CommandList = &recording;
    FrameRecorder recorder(*renderer);
    recorder.BeginFrame();
    recorder.DrawTextBox();
    recorder.DrawMeshes();
    recorder.EndFrame();
    renderer->CommandList = list;
    SubmitAndWait();
    return DrawsOf(recording.Calls());
  }

  uint64_t Descriptor(uint32_t index) const {
    return GpuHeapStart(renderer->Heaps->CbvSrvUavHeap).ptr + uint64_t{index} * renderer->CbvSrvUavDescriptorSize;
  }
  uint64_t RootSignature(const char* name) const { return Address(renderer->Pipelines->GetRootSignature(name)); }
  uint64_t PipelineState(const char* name) const { return Address(renderer->Pipelines->GetPipelineState(name)); }
};

TEST_F(FrameBinding, TheTextBoxDrawsItsRecordsWithTheFontSignatureTheDefaultStateAndTheAtlas) {
  const std::vector<Draw> draws = RecordFrame();
  ASSERT_FALSE(draws.empty());
  const Draw& text = draws.front();
  EXPECT_EQ(text.Call, (RecordedCall{"DrawInstanced", {4, uint64_t(renderer->TextLabels[0].InstanceCount), 0, 0}}));
  EXPECT_EQ(text.RootSignature, RootSignature("font"));
  EXPECT_EQ(text.PipelineState, PipelineState("default"));
  EXPECT_EQ(text.Topology, uint64_t(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP));
  EXPECT_EQ(text.Tables, (std::map<uint64_t, uint64_t>{{0, Descriptor(0)}}));
  EXPECT_EQ(text.Heaps, std::vector<uint64_t>{Address(renderer->Heaps->CbvSrvUavHeap)});
}

TEST_F(FrameBinding, EveryMeshItemDrawsWithTheObjectStateAndAViewOfItsOwnSlot) {
  const std::vector<Draw> draws = RecordFrame();
  const ConstantDescriptorLayout layout = DescriptorLayoutFor(renderer->TextureCount, renderer->Meshes);
  ASSERT_EQ(draws.size(), 1 + layout.ObjectSlotCount);
  ASSERT_GT(renderer->Meshes.front().Geometry.BoneCount, 0u) << "the character is a skinned model";
  EXPECT_NE(PipelineState("skinned"), 0u);

  std::set<uint64_t> objectViews;
  for (size_t k = 0; k < layout.ObjectSlotCount; ++k) {
    const Draw& draw = draws[1 + k];
    const DrawItem& item = renderer->Meshes.front().DrawItems[k];
    SCOPED_TRACE("draw item " + std::to_string(k));
    EXPECT_EQ(draw.Call, (RecordedCall{"DrawIndexedInstanced",
                                       {item.IndexCount, 1, item.FirstIndex, uint64_t(int64_t(item.BaseVertex)), 0}}));
    EXPECT_EQ(draw.RootSignature, RootSignature("object"));
    EXPECT_EQ(draw.PipelineState, PipelineState("object"));
    EXPECT_EQ(draw.Topology, uint64_t(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST));
    // 0 camera, 1 this item's world matrix, 2 the model texture, 3 the bone palette.
    EXPECT_EQ(draw.Tables.size(), 4u);
    EXPECT_EQ(draw.Tables.at(0), Descriptor(layout.PassIndex()));
    EXPECT_EQ(draw.Tables.at(1), Descriptor(layout.ObjectIndex(uint32_t(k))));
    EXPECT_EQ(draw.Tables.at(2), Descriptor(1));
    EXPECT_EQ(draw.Tables.at(3), Descriptor(layout.BoneIndex()));
    objectViews.insert(draw.Tables.at(1));
  }
  EXPECT_EQ(objectViews.size(), layout.ObjectSlotCount) << "two items share a world matrix";
  EXPECT_LE(layout.DescriptorCount(), DescriptionOf(renderer->Heaps->CbvSrvUavHeap).NumDescriptors);
}

}  // namespace
