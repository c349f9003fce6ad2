// What the pipeline library asks the device for: the two root signatures with their one texture sampler,
// and the three pipeline states with their rasterizer, depth, blend and input-layout settings, caught on
// the way to the device and read back field by field.
#include "support/RecordingDevice.h"
#include "support/RendererFixture.h"

#include "RootSignatureEncoding.h"
#include "content/InputLayouts.h"
#include "content/SkinnedVertex.h"
#include "render/PipelineLibrary.h"
#include "text/GlyphInstance.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

using d3d12vk::RootSignatureDescription;

class PipelineDescriptions : public RendererFixture {
 protected:
  void SetUp() override {
    RendererFixture::SetUp();
    recording = std::make_unique<RecordingDevice>(library.Device);
    library.Device = recording.get();
    library.FontInputElements.assign(FontInputLayout.begin(), FontInputLayout.end());
    library.ModelInputElements.assign(ModelInputLayout.begin(), ModelInputLayout.end());
    library.BuildShaders();
    library.BuildRootSignatures();
    library.BuildPipelineStates();
    ASSERT_EQ(recording->RootSignatures().size(), 2u);  // "font", then "object"
    ASSERT_EQ(recording->Pipelines().size(), 3u);       // "default", "object", "skinned"
  }

  RootSignatureDescription RootSignature(size_t index) const {
    RootSignatureDescription description;
    std::string error;
    const std::vector<uint8_t>& blob = recording->RootSignatures()[index];
    EXPECT_TRUE(d3d12vk::DecodeRootSignature(blob.data(), blob.size(), &description, &error)) << error;
    return description;
  }

  PipelineLibrary library;
  std::unique_ptr<RecordingDevice> recording;
};

// One descriptor of one kind at one register: every root parameter is such a table.
void ExpectSingleDescriptorTable(const RootSignatureDescription::Parameter& parameter, D3D12_DESCRIPTOR_RANGE_TYPE type,
                                 UINT shaderRegister) {
  EXPECT_EQ(parameter.type, D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE);
  EXPECT_EQ(parameter.visibility, D3D12_SHADER_VISIBILITY_ALL);
  ASSERT_EQ(parameter.ranges.size(), 1u);
  EXPECT_EQ(parameter.ranges[0].RangeType, type);
  EXPECT_EQ(parameter.ranges[0].NumDescriptors, 1u);
  EXPECT_EQ(parameter.ranges[0].BaseShaderRegister, shaderRegister);
  EXPECT_EQ(parameter.ranges[0].RegisterSpace, 0u);
}

// Linear filtering within a mip, wrapping in every direction, at s0.
void ExpectTextureSampler(const RootSignatureDescription& root) {
  ASSERT_EQ(root.staticSamplers.size(), 1u);
  const D3D12_STATIC_SAMPLER_DESC& sampler = root.staticSamplers[0];
  EXPECT_EQ(sampler.Filter, D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT);
  EXPECT_EQ(sampler.AddressU, D3D12_TEXTURE_ADDRESS_MODE_WRAP);
  EXPECT_EQ(sampler.AddressV, D3D12_TEXTURE_ADDRESS_MODE_WRAP);
  EXPECT_EQ(sampler.AddressW, D3D12_TEXTURE_ADDRESS_MODE_WRAP);
  EXPECT_EQ(sampler.MaxAnisotropy, 16u);
  EXPECT_EQ(sampler.ComparisonFunc, D3D12_COMPARISON_FUNC_LESS_EQUAL);
  EXPECT_EQ(sampler.BorderColor, D3D12_STATIC_BORDER_COLOR_OPAQUE_WHITE);
  EXPECT_EQ(sampler.MinLOD, 0.0f);
  EXPECT_EQ(sampler.MaxLOD, FLT_MAX);
  EXPECT_EQ(sampler.ShaderRegister, 0u);
  EXPECT_EQ(sampler.RegisterSpace, 0u);
  EXPECT_EQ(sampler.ShaderVisibility, D3D12_SHADER_VISIBILITY_ALL);
  EXPECT_EQ(root.flags, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
}

TEST_F(PipelineDescriptions, TheFontSignatureHasTheAtlasTableAndTheObjectSignatureItsFourTables) {
  const RootSignatureDescription font = RootSignature(0);
  ExpectTextureSampler(font);
  ASSERT_EQ(font.parameters.size(), 1u);
  ExpectSingleDescriptorTable(font.parameters[0], D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 0);

  // The frame binds them by position: camera b0, world matrix b1, texture t0, bone palette b2.
  const RootSignatureDescription object = RootSignature(1);
  ExpectTextureSampler(object);
  ASSERT_EQ(object.parameters.size(), 4u);
  ExpectSingleDescriptorTable(object.parameters[0], D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 0);
  ExpectSingleDescriptorTable(object.parameters[1], D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1);
  ExpectSingleDescriptorTable(object.parameters[2], D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 0);
  ExpectSingleDescriptorTable(object.parameters[3], D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 2);
}

// What every pipeline state shares: solid triangles, back faces culled with clockwise fronts, one RGBA8
// target with a D24S8 depth buffer, no multisampling.
void ExpectCommonStates(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& state) {
  EXPECT_EQ(state.RasterizerState.FillMode, D3D12_FILL_MODE_SOLID);
  EXPECT_EQ(state.RasterizerState.CullMode, D3D12_CULL_MODE_BACK);
  EXPECT_FALSE(state.RasterizerState.FrontCounterClockwise);
  EXPECT_TRUE(state.RasterizerState.DepthClipEnable);
  EXPECT_EQ(state.PrimitiveTopologyType, D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE);
  EXPECT_EQ(state.NumRenderTargets, 1u);
  EXPECT_EQ(state.RTVFormats[0], DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(state.DSVFormat, DXGI_FORMAT_D24_UNORM_S8_UINT);
  EXPECT_EQ(state.SampleDesc.Count, 1u);
  EXPECT_EQ(state.SampleMask, 0xFFFFFFFFu);
  EXPECT_EQ(state.BlendState.RenderTarget[0].RenderTargetWriteMask, D3D12_COLOR_WRITE_ENABLE_ALL);
  EXPECT_EQ(state.IBStripCutValue, D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_DISABLED);
}

// The elements lie one after another in the record, gap-free, and fill it exactly, all from slot 0.
void ExpectLayoutTiles(const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout, size_t recordSize,
                       D3D12_INPUT_CLASSIFICATION classification, UINT stepRate) {
  const auto bytesOf = [](DXGI_FORMAT format) -> UINT {
    switch (format) {
      case DXGI_FORMAT_R32G32_FLOAT:
        return 8;
      case DXGI_FORMAT_R32G32B32_FLOAT:
        return 12;
      case DXGI_FORMAT_R32G32B32A32_FLOAT:
        return 16;
      default:
        return 0;
    }
  };
  UINT offset = 0;
  for (const D3D12_INPUT_ELEMENT_DESC& element : layout) {
    SCOPED_TRACE(element.SemanticName);
    EXPECT_EQ(element.AlignedByteOffset, offset);
    EXPECT_EQ(element.InputSlot, 0u);
    EXPECT_EQ(element.InputSlotClass, classification);
    EXPECT_EQ(element.InstanceDataStepRate, stepRate);
    ASSERT_NE(bytesOf(element.Format), 0u) << "unexpected format " << element.Format;
    offset += bytesOf(element.Format);
  }
  EXPECT_EQ(offset, recordSize);
}

TEST_F(PipelineDescriptions, TextIsBlendedOverTheSceneWithoutDepthFromOneRecordPerInstance) {
  const RecordedPipeline& text = recording->Pipelines()[0];
  EXPECT_EQ(text.Description.pRootSignature, library.GetRootSignature("font"));
  ExpectCommonStates(text.Description);
  EXPECT_FALSE(text.Description.DepthStencilState.DepthEnable);
  const D3D12_RENDER_TARGET_BLEND_DESC& blend = text.Description.BlendState.RenderTarget[0];
  EXPECT_TRUE(blend.BlendEnable);
  EXPECT_EQ(blend.SrcBlend, D3D12_BLEND_SRC_ALPHA);
  EXPECT_EQ(blend.DestBlend, D3D12_BLEND_INV_SRC_ALPHA);
  EXPECT_EQ(blend.BlendOp, D3D12_BLEND_OP_ADD);
  EXPECT_EQ(blend.SrcBlendAlpha, D3D12_BLEND_ONE);
  EXPECT_EQ(blend.DestBlendAlpha, D3D12_BLEND_ZERO);
  EXPECT_EQ(blend.BlendOpAlpha, D3D12_BLEND_OP_ADD);
  EXPECT_EQ(text.SemanticNames, (std::vector<std::string>{"POSITION", "TEXCOORD", "COLOR"}));
  ExpectLayoutTiles(text.InputLayout, sizeof(GlyphInstance), D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1);
}

TEST_F(PipelineDescriptions, MeshesAreDepthTestedOpaqueAndReadTheWholeSkinnedVertex) {
  for (size_t index : {1u, 2u}) {
    SCOPED_TRACE(index == 1 ? "object" : "skinned");
    const RecordedPipeline& mesh = recording->Pipelines()[index];
    EXPECT_EQ(mesh.Description.pRootSignature, library.GetRootSignature("object"));
    ExpectCommonStates(mesh.Description);
    EXPECT_TRUE(mesh.Description.DepthStencilState.DepthEnable);
    EXPECT_EQ(mesh.Description.DepthStencilState.DepthFunc, D3D12_COMPARISON_FUNC_LESS);
    EXPECT_EQ(mesh.Description.DepthStencilState.DepthWriteMask, D3D12_DEPTH_WRITE_MASK_ALL);
    EXPECT_FALSE(mesh.Description.BlendState.RenderTarget[0].BlendEnable);
    EXPECT_EQ(mesh.SemanticNames,
              (std::vector<std::string>{"POSITION", "TEXCOORD", "NORMAL", "COLOR", "WEIGHTS", "BONEINDICES"}));
    ExpectLayoutTiles(mesh.InputLayout, sizeof(SkinnedVertex), D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0);
  }
}

}  // namespace
