#include "PipelineState.h"

#include "D3D12ToVulkan.h"
#include "DescriptorArrayRewrite.h"
#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "Multisampling.h"
#include "RootSignature.h"
#include "SpirvReader.h"
#include "StageLinkage.h"
#include "VulkanDevice.h"
#include "VulkanStructs.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <vector>

namespace d3d12vk {
namespace {

constexpr const char* kCall = "ID3D12Device::CreateGraphicsPipelineState";
constexpr const char* kComputeCall = "ID3D12Device::CreateComputePipelineState";

struct Shader {
  ShaderInterface reflection;
  D3D12_SHADER_BYTECODE bytecode{};
  VkShaderModule module = VK_NULL_HANDLE;
  DescriptorArrayPlan arrays;
};

// Byte code from the Windows compilers: DXBC containers (Shader Model 5) and DXIL (Shader Model 6) both
// start with the "DXBC" tag. Nothing on this platform turns them into SPIR-V.
bool IsWindowsByteCode(const D3D12_SHADER_BYTECODE& bytecode) {
  return bytecode.pShaderBytecode != nullptr && bytecode.BytecodeLength >= 4 &&
         (std::memcmp(bytecode.pShaderBytecode, "DXBC", 4) == 0 ||
          std::memcmp(bytecode.pShaderBytecode, "DXIL", 4) == 0);
}

HRESULT LoadShader(const D3D12_SHADER_BYTECODE& bytecode, ShaderStage stage, const char* name, Shader* shader,
                   const char* call = kCall) {
  if (IsWindowsByteCode(bytecode)) {
    return Fail(call, E_INVALIDARG, "%s is DXBC/DXIL byte code; this platform runs SPIR-V from its D3DCompile", name);
  }
  std::string error;
  if (!ReadShaderInterface(bytecode.pShaderBytecode, bytecode.BytecodeLength, &shader->reflection, &error)) {
    return Fail(call, E_INVALIDARG, "%s: %s", name, error.c_str());
  }
  if (shader->reflection.stage != stage) return Fail(call, E_INVALIDARG, "%s is compiled for another stage", name);
  shader->bytecode = bytecode;
  return S_OK;
}

// The Vulkan module of a loaded shader, its descriptors moved to the pipeline's bindings.
HRESULT CreateModule(VulkanDevice& vulkan, const PipelineBindings& bindings, const char* name, Shader* shader,
                     const char* call = kCall) {
  for (uint32_t capability : shader->reflection.capabilities) {
    if (shader->arrays.constantIndexes && IsArrayIndexingCapability(capability)) continue;  // rewritten below
    if (!vulkan.SupportsShaderCapability(capability)) {
      // Dynamic indexes into arrays of textures or texel buffers, and unbounded arrays, are optional in Vulkan.
      return Fail(call, E_NOTIMPL,
                  "the %s indexes a resource array in a way this adapter cannot (SPIR-V capability %u): not supported",
                  name, capability);
    }
  }
  const auto* original = static_cast<const uint32_t*>(shader->bytecode.pShaderBytecode);
  std::vector<uint32_t> source;
  if (!shader->arrays.resized.empty()) {
    source = WithArrayLengths(std::vector<uint32_t>(original, original + shader->bytecode.BytecodeLength / 4),
                              shader->arrays.resized);
  }
  std::vector<uint32_t> code =
      PreparedForVulkan(source.empty() ? shader->bytecode.pShaderBytecode : source.data(),
                        source.empty() ? shader->bytecode.BytecodeLength : source.size() * sizeof(uint32_t),
                        [&bindings, shader](uint32_t set, uint32_t binding) {
                          return bindings.Remap(set, binding, shader->reflection.stage);
                        });
  std::string error;
  if (shader->arrays.constantIndexes && !WithConstantArrayIndexes(vulkan, &code, &error)) {
    return Fail(call, E_NOTIMPL, "cannot turn the %s's run-time resource array indexes into constant ones: %s", name,
                error.c_str());
  }
  auto info = VkInit<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
  info.codeSize = code.size() * sizeof(uint32_t);
  info.pCode = code.data();
  if (vkCreateShaderModule(vulkan.Handle(), &info, nullptr, &shader->module) != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create the %s module", name);
  }
  return S_OK;
}

// A shader reading a descriptor the root signature does not provide cannot run; Direct3D rejects it too.
// Arrays indexed at run time are then sized to the root signature (DescriptorArrayRewrite).
HRESULT CheckResources(const VulkanDevice& vulkan, Shader& shader, const RootSignature& root, const char* name,
                       const char* call = kCall) {
  for (const ResourceBinding& resource : shader.reflection.resources) {
    // A counter is served by the UAV of its buffer's register.
    const uint32_t binding = resource.isCounter ? resource.counterOfBinding : resource.binding;
    if (!root.HasBinding(resource.set, binding, VisibilityOf(shader.reflection.stage))) {
      return Fail(call, E_INVALIDARG, "%s reads descriptor set %u binding %u, which the root signature lacks", name,
                  resource.set, resource.binding);
    }
  }
  return PlanDescriptorArrays(vulkan, root, call, name, &shader.reflection, &shader.arrays);
}

struct VertexInput {
  std::vector<VkVertexInputBindingDescription> bindings;
  std::vector<VkVertexInputAttributeDescription> attributes;
};

bool SlotIsKnown(const VertexInput& input, UINT slot) {
  for (const VkVertexInputBindingDescription& binding : input.bindings) {
    if (binding.binding == slot) return true;
  }
  return false;
}

// Matches each vertex shader input to the input element of the same semantic, names compared without case.
HRESULT BuildVertexInput(VulkanDevice& vulkan, const D3D12_INPUT_LAYOUT_DESC& layout, const ShaderInterface& vertex,
                         VertexInput* input) {
  if (layout.NumElements > 0 && layout.pInputElementDescs == nullptr) {
    return Fail(kCall, E_INVALIDARG, "InputLayout.pInputElementDescs is null");
  }
  // Byte offsets of D3D12_APPEND_ALIGNED_ELEMENT entries follow the previous element of the same slot.
  std::vector<UINT> offsets(layout.NumElements);
  UINT slotEnd[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
  for (UINT i = 0; i < layout.NumElements; ++i) {
    const D3D12_INPUT_ELEMENT_DESC& element = layout.pInputElementDescs[i];
    const FormatInfo* format = FindFormat(element.Format);
    if (element.SemanticName == nullptr) return Fail(kCall, E_INVALIDARG, "input element %u has no semantic", i);
    if (format == nullptr || format->blockSize != 1 || !vulkan.SupportsVertexFormat(format->vulkan)) {
      return Fail(kCall, E_INVALIDARG, "input element %s%u has unsupported format %d", element.SemanticName,
                  element.SemanticIndex, element.Format);
    }
    if (element.InputSlot >= D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) {
      return Fail(kCall, E_INVALIDARG, "input element %s%u uses slot %u", element.SemanticName, element.SemanticIndex,
                  element.InputSlot);
    }
    offsets[i] = element.AlignedByteOffset == D3D12_APPEND_ALIGNED_ELEMENT ? slotEnd[element.InputSlot]
                                                                           : element.AlignedByteOffset;
    slotEnd[element.InputSlot] = offsets[i] + format->bytesPerBlock;
  }

  for (const ShaderInput& shaderInput : vertex.inputs) {
    const D3D12_INPUT_ELEMENT_DESC* match = nullptr;
    UINT matchIndex = 0;
    for (UINT i = 0; i < layout.NumElements && match == nullptr; ++i) {
      const D3D12_INPUT_ELEMENT_DESC& element = layout.pInputElementDescs[i];
      if (strcasecmp(element.SemanticName, shaderInput.semanticName.c_str()) == 0 &&
          element.SemanticIndex == shaderInput.semanticIndex) {
        match = &element;
        matchIndex = i;
      }
    }
    if (match == nullptr) {
      return Fail(kCall, E_INVALIDARG, "vertex shader input %s%u has no element in the input layout",
                  shaderInput.semanticName.c_str(), shaderInput.semanticIndex);
    }
    const bool perInstance = match->InputSlotClass == D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA;
    if (perInstance && match->InstanceDataStepRate != 1) {
      ReportNotImplementedOnce("ID3D12Device::CreateGraphicsPipelineState with instance step rates other than 1");
      return E_NOTIMPL;
    }
    const FormatInfo& format = *FindFormat(match->Format);
    input->attributes.push_back({shaderInput.location, match->InputSlot, format.vulkan, offsets[matchIndex]});
    if (!SlotIsKnown(*input, match->InputSlot)) {
      input->bindings.push_back({match->InputSlot, slotEnd[match->InputSlot],
                                 perInstance ? VK_VERTEX_INPUT_RATE_INSTANCE : VK_VERTEX_INPUT_RATE_VERTEX});
    }
  }
  return S_OK;
}

HRESULT BuildRasterization(VulkanDevice& vulkan, const D3D12_RASTERIZER_DESC& desc,
                           VkPipelineRasterizationStateCreateInfo* state) {
  *state = VkInit<VkPipelineRasterizationStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
  if (desc.FillMode == D3D12_FILL_MODE_WIREFRAME && vulkan.HasWireframe()) {
    state->polygonMode = VK_POLYGON_MODE_LINE;
  } else if (desc.FillMode != D3D12_FILL_MODE_SOLID) {
    return Fail(kCall, E_INVALIDARG, "fill mode %d is not available", desc.FillMode);
  }
  switch (desc.CullMode) {
    case D3D12_CULL_MODE_NONE:
      state->cullMode = VK_CULL_MODE_NONE;
      break;
    case D3D12_CULL_MODE_FRONT:
      state->cullMode = VK_CULL_MODE_FRONT_BIT;
      break;
    case D3D12_CULL_MODE_BACK:
      state->cullMode = VK_CULL_MODE_BACK_BIT;
      break;
    default:
      return Fail(kCall, E_INVALIDARG, "unknown cull mode %d", desc.CullMode);
  }
  // The negative-height viewport keeps Direct3D's screen orientation, so its winding carries over as is.
  state->frontFace = desc.FrontCounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE;
  state->depthBiasEnable = desc.DepthBias != 0 || desc.SlopeScaledDepthBias != 0.0f;
  state->depthBiasConstantFactor = float(desc.DepthBias);
  state->depthBiasClamp = desc.DepthBiasClamp;
  state->depthBiasSlopeFactor = desc.SlopeScaledDepthBias;
  if (!desc.DepthClipEnable) {
    if (!vulkan.HasDepthClamp()) return Fail(kCall, E_INVALIDARG, "DepthClipEnable FALSE needs depth clamping");
    state->depthClampEnable = VK_TRUE;
  }
  if (desc.ConservativeRaster != D3D12_CONSERVATIVE_RASTERIZATION_MODE_OFF || desc.ForcedSampleCount > 1) {
    ReportNotImplementedOnce(
        "ID3D12Device::CreateGraphicsPipelineState with conservative or forced-sample rasterization");
    return E_NOTIMPL;
  }
  state->lineWidth = 1.0f;
  return S_OK;
}

HRESULT ToStencilFace(const D3D12_DEPTH_STENCILOP_DESC& face, const D3D12_DEPTH_STENCIL_DESC& desc,
                      VkStencilOpState* state) {
  *state = VkStencilOpState{};
  if (!ToStencilOp(face.StencilFailOp, &state->failOp) || !ToStencilOp(face.StencilPassOp, &state->passOp) ||
      !ToStencilOp(face.StencilDepthFailOp, &state->depthFailOp) || !ToCompareOp(face.StencilFunc, &state->compareOp)) {
    return Fail(kCall, E_INVALIDARG, "unknown stencil operation or function");
  }
  state->compareMask = desc.StencilReadMask;
  state->writeMask = desc.StencilWriteMask;
  return S_OK;
}

HRESULT BuildDepthStencil(const D3D12_DEPTH_STENCIL_DESC& desc, VkFormat depthFormat,
                          VkPipelineDepthStencilStateCreateInfo* state) {
  *state = VkInit<VkPipelineDepthStencilStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO);
  // Without a depth target Direct3D tests nothing, whatever the description says.
  if (depthFormat == VK_FORMAT_UNDEFINED) return S_OK;
  state->depthTestEnable = desc.DepthEnable;
  state->depthWriteEnable = desc.DepthEnable && desc.DepthWriteMask == D3D12_DEPTH_WRITE_MASK_ALL;
  state->depthCompareOp = VK_COMPARE_OP_ALWAYS;
  if (desc.DepthEnable && !ToCompareOp(desc.DepthFunc, &state->depthCompareOp)) {
    return Fail(kCall, E_INVALIDARG, "unknown depth function %d", desc.DepthFunc);
  }
  state->stencilTestEnable = desc.StencilEnable;
  if (desc.StencilEnable) {
    HRESULT result = ToStencilFace(desc.FrontFace, desc, &state->front);
    if (SUCCEEDED(result)) result = ToStencilFace(desc.BackFace, desc, &state->back);
    if (FAILED(result)) return result;
  }
  state->maxDepthBounds = 1.0f;
  return S_OK;
}

HRESULT BuildBlendAttachment(const D3D12_RENDER_TARGET_BLEND_DESC& target, VkPipelineColorBlendAttachmentState* state) {
  *state = VkPipelineColorBlendAttachmentState{};
  state->blendEnable = target.BlendEnable;
  state->colorWriteMask = target.RenderTargetWriteMask & 0xF;
  if (!target.BlendEnable) return S_OK;
  if (!ToBlendFactor(target.SrcBlend, &state->srcColorBlendFactor) ||
      !ToBlendFactor(target.DestBlend, &state->dstColorBlendFactor) ||
      !ToBlendOp(target.BlendOp, &state->colorBlendOp) ||
      !ToBlendFactor(target.SrcBlendAlpha, &state->srcAlphaBlendFactor) ||
      !ToBlendFactor(target.DestBlendAlpha, &state->dstAlphaBlendFactor) ||
      !ToBlendOp(target.BlendOpAlpha, &state->alphaBlendOp)) {
    return Fail(kCall, E_INVALIDARG, "unknown blend factor or operation");
  }
  return S_OK;
}

struct Targets {
  UINT colorCount = 0;
  std::array<VkFormat, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> colors{};
  VkFormat depth = VK_FORMAT_UNDEFINED;
  VkFormat stencil = VK_FORMAT_UNDEFINED;
};

HRESULT ResolveTargets(VulkanDevice& vulkan, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc, Targets* targets) {
  if (desc.NumRenderTargets > D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT) {
    return Fail(kCall, E_INVALIDARG, "NumRenderTargets %u exceeds %u", desc.NumRenderTargets,
                D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT);
  }
  targets->colorCount = desc.NumRenderTargets;
  for (UINT i = 0; i < desc.NumRenderTargets; ++i) {
    if (desc.RTVFormats[i] == DXGI_FORMAT_UNKNOWN) continue;
    const FormatInfo* format = FindFormat(desc.RTVFormats[i]);
    if (format == nullptr || IsDepthStencil(*format) ||
        !vulkan.SupportsImageFeatures(format->vulkan, VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT)) {
      return Fail(kCall, E_INVALIDARG, "RTVFormats[%u] = %d cannot be rendered to", i, desc.RTVFormats[i]);
    }
    targets->colors[i] = format->vulkan;
  }
  if (desc.DSVFormat != DXGI_FORMAT_UNKNOWN) {
    const FormatInfo* format = FindFormat(desc.DSVFormat);
    if (format == nullptr || !IsDepthStencil(*format)) {
      return Fail(kCall, E_INVALIDARG, "DSVFormat %d is not a depth format", desc.DSVFormat);
    }
    const VkFormat vkFormat = vulkan.ImageFormat(*format);
    if (format->aspects & VK_IMAGE_ASPECT_DEPTH_BIT) targets->depth = vkFormat;
    if (format->aspects & VK_IMAGE_ASPECT_STENCIL_BIT) targets->stencil = vkFormat;
  }
  return S_OK;
}

VkPrimitiveTopology DefaultTopology(D3D12_PRIMITIVE_TOPOLOGY_TYPE type) {
  switch (type) {
    case D3D12_PRIMITIVE_TOPOLOGY_TYPE_POINT:
      return VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
    case D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE:
      return VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
    default:
      return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
  }
}

// Everything vkCreateGraphicsPipelines needs, translated from one Direct3D 12 description. The Vulkan
// structures point into the builder, which therefore stays put until the pipeline exists.
class PipelineBuilder {
 public:
  PipelineBuilder(VulkanDevice& vulkan, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc, const RootSignature& root)
      : vulkan_(vulkan), desc_(desc), root_(root) {}
  PipelineBuilder(const PipelineBuilder&) = delete;
  PipelineBuilder& operator=(const PipelineBuilder&) = delete;
  ~PipelineBuilder() {
    for (const Shader* shader : {&vertex_, &geometry_, &pixel_}) {
      if (shader->module != VK_NULL_HANDLE) vkDestroyShaderModule(vulkan_.Handle(), shader->module, nullptr);
    }
  }

  // Checks and translates the description; a failure is reported and returned.
  HRESULT Translate() {
    HRESULT result = LoadShaders();
    if (SUCCEEDED(result) && pixel_.bytecode.pShaderBytecode != nullptr) result = CheckLinkage();
    if (SUCCEEDED(result)) result = BuildVertexInput(vulkan_, desc_.InputLayout, vertex_.reflection, &vertexInput_);
    if (SUCCEEDED(result)) result = BuildRasterization(vulkan_, desc_.RasterizerState, &rasterization_);
    if (SUCCEEDED(result)) result = ResolveTargets(vulkan_, desc_, &targets_);
    if (SUCCEEDED(result)) result = BuildDepthStencil(desc_.DepthStencilState, DepthStencilFormat(), &depthStencil_);
    if (SUCCEEDED(result)) result = BuildBlend();
    return result;
  }

  // The pipeline's descriptor set, then the shader modules bound to it.
  HRESULT BuildBindings(PipelineBindings* bindings) {
    std::vector<const ShaderInterface*> shaders{&vertex_.reflection};
    const bool hasGeometryShader = geometry_.bytecode.pShaderBytecode != nullptr;
    const bool hasPixelShader = pixel_.bytecode.pShaderBytecode != nullptr;
    if (hasGeometryShader) shaders.push_back(&geometry_.reflection);
    if (hasPixelShader) shaders.push_back(&pixel_.reflection);
    HRESULT result = bindings->Build(vulkan_, kCall, root_, shaders, VK_SHADER_STAGE_ALL_GRAPHICS);
    if (SUCCEEDED(result)) result = CreateModule(vulkan_, *bindings, "vertex shader", &vertex_);
    if (SUCCEEDED(result) && hasGeometryShader) {
      result = CreateModule(vulkan_, *bindings, "geometry shader", &geometry_);
    }
    if (SUCCEEDED(result) && hasPixelShader) result = CreateModule(vulkan_, *bindings, "pixel shader", &pixel_);
    return result;
  }

  // `withoutDepthStencil` builds the variant for draws with no depth-stencil target bound.
  VkResult Create(VkPipelineLayout layout, VkPipeline* pipeline, bool withoutDepthStencil = false) {
    VkPipelineShaderStageCreateInfo stages[3];
    uint32_t stageCount = 0;
    for (const auto& [shader, stage] :
         {std::pair{&vertex_, VK_SHADER_STAGE_VERTEX_BIT}, std::pair{&geometry_, VK_SHADER_STAGE_GEOMETRY_BIT},
          std::pair{&pixel_, VK_SHADER_STAGE_FRAGMENT_BIT}}) {
      if (shader->module == VK_NULL_HANDLE) continue;
      stages[stageCount] = VkInit<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
      stages[stageCount].stage = stage;
      stages[stageCount].module = shader->module;
      stages[stageCount].pName = shader->reflection.entryPoint.c_str();
      ++stageCount;
    }
    auto vertexInput =
        VkInit<VkPipelineVertexInputStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
    vertexInput.vertexBindingDescriptionCount = uint32_t(vertexInput_.bindings.size());
    vertexInput.pVertexBindingDescriptions = vertexInput_.bindings.data();
    vertexInput.vertexAttributeDescriptionCount = uint32_t(vertexInput_.attributes.size());
    vertexInput.pVertexAttributeDescriptions = vertexInput_.attributes.data();
    auto inputAssembly =
        VkInit<VkPipelineInputAssemblyStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
    inputAssembly.topology = DefaultTopology(desc_.PrimitiveTopologyType);
    auto viewport = VkInit<VkPipelineViewportStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;
    auto multisample =
        VkInit<VkPipelineMultisampleStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
    multisample.rasterizationSamples = SampleCountBit(desc_.SampleDesc.Count);
    const VkSampleMask sampleMask = desc_.SampleMask;
    multisample.pSampleMask = &sampleMask;
    multisample.alphaToCoverageEnable = desc_.BlendState.AlphaToCoverageEnable;

    std::vector<VkDynamicState> dynamicStates{
        VK_DYNAMIC_STATE_VIEWPORT,           VK_DYNAMIC_STATE_SCISSOR,
        VK_DYNAMIC_STATE_PRIMITIVE_TOPOLOGY, VK_DYNAMIC_STATE_PRIMITIVE_RESTART_ENABLE,
        VK_DYNAMIC_STATE_BLEND_CONSTANTS,    VK_DYNAMIC_STATE_STENCIL_REFERENCE};
    // A dynamic stride needs vertex buffers bound before every draw, so only pipelines that read them have one.
    if (UsesVertexBuffers()) dynamicStates.push_back(VK_DYNAMIC_STATE_VERTEX_INPUT_BINDING_STRIDE);
    auto dynamic = VkInit<VkPipelineDynamicStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
    dynamic.dynamicStateCount = uint32_t(dynamicStates.size());
    dynamic.pDynamicStates = dynamicStates.data();

    auto rendering = VkInit<VkPipelineRenderingCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO);
    rendering.colorAttachmentCount = targets_.colorCount;
    rendering.pColorAttachmentFormats = targets_.colors.data();
    rendering.depthAttachmentFormat = withoutDepthStencil ? VK_FORMAT_UNDEFINED : targets_.depth;
    rendering.stencilAttachmentFormat = withoutDepthStencil ? VK_FORMAT_UNDEFINED : targets_.stencil;

    auto info = VkInit<VkGraphicsPipelineCreateInfo>(VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO, &rendering);
    info.stageCount = stageCount;
    info.pStages = stages;
    info.pVertexInputState = &vertexInput;
    info.pInputAssemblyState = &inputAssembly;
    info.pViewportState = &viewport;
    info.pRasterizationState = &rasterization_;
    info.pMultisampleState = &multisample;
    info.pDepthStencilState = &depthStencil_;
    info.pColorBlendState = &blend_;
    info.pDynamicState = &dynamic;
    info.layout = layout;
    return vkCreateGraphicsPipelines(vulkan_.Handle(), VK_NULL_HANDLE, 1, &info, nullptr, pipeline);
  }

  bool UsesVertexBuffers() const { return !vertexInput_.bindings.empty(); }
  const Targets& RenderTargets() const { return targets_; }
  VkFormat DepthStencilFormat() const {
    return targets_.depth != VK_FORMAT_UNDEFINED ? targets_.depth : targets_.stencil;
  }

 private:
  HRESULT LoadShaders() {
    HRESULT result = LoadShader(desc_.VS, ShaderStage::Vertex, "the vertex shader", &vertex_);
    if (SUCCEEDED(result)) result = CheckResources(vulkan_, vertex_, root_, "the vertex shader");
    if (SUCCEEDED(result) && desc_.GS.pShaderBytecode != nullptr && desc_.GS.BytecodeLength > 0) {
      result = LoadShader(desc_.GS, ShaderStage::Geometry, "the geometry shader", &geometry_);
      if (SUCCEEDED(result)) result = CheckResources(vulkan_, geometry_, root_, "the geometry shader");
    }
    if (SUCCEEDED(result) && desc_.PS.pShaderBytecode != nullptr && desc_.PS.BytecodeLength > 0) {
      result = LoadShader(desc_.PS, ShaderStage::Pixel, "the pixel shader", &pixel_);
      if (SUCCEEDED(result)) result = CheckResources(vulkan_, pixel_, root_, "the pixel shader");
    }
    return result;
  }

  HRESULT CheckLinkage() const {
    const bool hasGeometryShader = geometry_.bytecode.pShaderBytecode != nullptr;
    return CheckStageLinkage(hasGeometryShader ? geometry_.bytecode : vertex_.bytecode,
                             hasGeometryShader ? "the geometry shader" : "the vertex shader", pixel_.bytecode, kCall);
  }

  HRESULT BuildBlend() {
    for (UINT i = 0; i < targets_.colorCount; ++i) {
      const UINT source = desc_.BlendState.IndependentBlendEnable ? i : 0;
      const HRESULT result = BuildBlendAttachment(desc_.BlendState.RenderTarget[source], &blendTargets_[i]);
      if (FAILED(result)) return result;
    }
    blend_ = VkInit<VkPipelineColorBlendStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
    blend_.attachmentCount = targets_.colorCount;
    blend_.pAttachments = blendTargets_.data();
    // Vulkan has one logic operation for all targets; Direct3D requires them equal anyway.
    if (desc_.BlendState.RenderTarget[0].LogicOpEnable) {
      blend_.logicOpEnable = VK_TRUE;
      if (!ToLogicOp(desc_.BlendState.RenderTarget[0].LogicOp, &blend_.logicOp)) {
        return Fail(kCall, E_INVALIDARG, "unknown logic operation");
      }
    }
    return S_OK;
  }

  VulkanDevice& vulkan_;
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc_;
  const RootSignature& root_;
  Shader vertex_, geometry_, pixel_;
  VertexInput vertexInput_;
  VkPipelineRasterizationStateCreateInfo rasterization_{};
  VkPipelineDepthStencilStateCreateInfo depthStencil_{};
  Targets targets_;
  std::array<VkPipelineColorBlendAttachmentState, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> blendTargets_{};
  VkPipelineColorBlendStateCreateInfo blend_{};
};

}  // namespace

PipelineState::PipelineState(Device& device) : DeviceChild(device) {}

PipelineState::~PipelineState() {
  if (pipeline_ != VK_NULL_HANDLE) vkDestroyPipeline(OwningDevice().Vulkan().Handle(), pipeline_, nullptr);
  if (pipelineWithoutDepthStencil_ != VK_NULL_HANDLE) {
    vkDestroyPipeline(OwningDevice().Vulkan().Handle(), pipelineWithoutDepthStencil_, nullptr);
  }
  if (rootSignature_ != nullptr) rootSignature_->Release();
}

HRESULT PipelineState::GetCachedBlob(ID3DBlob**) { return NotImplemented("ID3D12PipelineState::GetCachedBlob"); }

HRESULT PipelineState::CreateGraphics(Device& device, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc,
                                      PipelineState** pipelineState) {
  if (desc.pRootSignature == nullptr) return Fail(kCall, E_INVALIDARG, "pRootSignature is null");
  if (desc.VS.pShaderBytecode == nullptr) return Fail(kCall, E_INVALIDARG, "a vertex shader is required");
  if (desc.HS.pShaderBytecode || desc.DS.pShaderBytecode || desc.StreamOutput.NumEntries > 0) {
    ReportNotImplementedOnce("ID3D12Device::CreateGraphicsPipelineState with hull, domain shaders or stream output");
    return E_NOTIMPL;
  }
  if (desc.GS.pShaderBytecode != nullptr && !device.Vulkan().HasGeometryShaders()) {
    ReportNotImplementedOnce("ID3D12Device::CreateGraphicsPipelineState with a geometry shader on this adapter");
    return E_NOTIMPL;
  }
  if (SampleCountBit(desc.SampleDesc.Count) == 0) {
    return Fail(kCall, E_INVALIDARG, "SampleDesc.Count %u is not 1, 2, 4, 8, 16 or 32", desc.SampleDesc.Count);
  }
  if (desc.PrimitiveTopologyType == D3D12_PRIMITIVE_TOPOLOGY_TYPE_UNDEFINED ||
      desc.PrimitiveTopologyType > D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE) {
    return Fail(kCall, E_INVALIDARG, "PrimitiveTopologyType %d is not point, line or triangle",
                desc.PrimitiveTopologyType);
  }
  auto& root = *static_cast<RootSignature*>(desc.pRootSignature);
  PipelineBuilder builder(device.Vulkan(), desc, root);
  const HRESULT result = builder.Translate();
  if (FAILED(result)) return result;

  PipelineState* created = new PipelineState(device);
  const HRESULT bound = builder.BuildBindings(&created->bindings_);
  if (FAILED(bound)) {
    created->Release();
    return bound;
  }
  VkResult vkResult = builder.Create(created->bindings_.Layout(), &created->pipeline_);
  // Direct3D draws with such a pipeline whether or not a depth-stencil view is bound when the pipeline
  // neither tests nor writes depth and stencil; Vulkan needs a pipeline made for the absent attachment.
  const bool depthStencilUnused = !desc.DepthStencilState.DepthEnable && !desc.DepthStencilState.StencilEnable;
  if (vkResult == VK_SUCCESS && depthStencilUnused && builder.DepthStencilFormat() != VK_FORMAT_UNDEFINED) {
    vkResult = builder.Create(created->bindings_.Layout(), &created->pipelineWithoutDepthStencil_, true);
  }
  if (vkResult != VK_SUCCESS) {
    created->Release();
    return Fail(kCall, E_OUTOFMEMORY, "Vulkan could not build the pipeline: %s", DescribeVkResult(vkResult));
  }
  root.AddRef();
  created->rootSignature_ = &root;
  created->topologyType_ = desc.PrimitiveTopologyType;
  created->stripCut_ = desc.IBStripCutValue != D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_DISABLED;
  created->usesVertexBuffers_ = builder.UsesVertexBuffers();
  created->renderTargetCount_ = builder.RenderTargets().colorCount;
  created->colorFormats_ = builder.RenderTargets().colors;
  created->depthStencilFormat_ = builder.DepthStencilFormat();
  created->sampleCount_ = desc.SampleDesc.Count;
  *pipelineState = created;
  return S_OK;
}

HRESULT PipelineState::CreateCompute(Device& device, const D3D12_COMPUTE_PIPELINE_STATE_DESC& desc,
                                     PipelineState** pipelineState) {
  if (desc.pRootSignature == nullptr) return Fail(kComputeCall, E_INVALIDARG, "pRootSignature is null");
  if (desc.CS.pShaderBytecode == nullptr || desc.CS.BytecodeLength == 0) {
    return Fail(kComputeCall, E_INVALIDARG, "a compute shader is required");
  }
  auto& root = *static_cast<RootSignature*>(desc.pRootSignature);
  VulkanDevice& vulkan = device.Vulkan();
  Shader shader;
  HRESULT result = LoadShader(desc.CS, ShaderStage::Compute, "the compute shader", &shader, kComputeCall);
  if (SUCCEEDED(result)) result = CheckResources(vulkan, shader, root, "the compute shader", kComputeCall);
  PipelineState* created = nullptr;
  if (SUCCEEDED(result)) {
    created = new PipelineState(device);
    result = created->bindings_.Build(vulkan, kComputeCall, root, {&shader.reflection}, VK_SHADER_STAGE_COMPUTE_BIT);
  }
  if (SUCCEEDED(result)) result = CreateModule(vulkan, created->bindings_, "compute shader", &shader, kComputeCall);
  if (SUCCEEDED(result)) {
    auto info = VkInit<VkComputePipelineCreateInfo>(VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO);
    info.stage = VkInit<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
    info.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
    info.stage.module = shader.module;
    info.stage.pName = shader.reflection.entryPoint.c_str();
    info.layout = created->bindings_.Layout();
    const VkResult vkResult =
        vkCreateComputePipelines(vulkan.Handle(), VK_NULL_HANDLE, 1, &info, nullptr, &created->pipeline_);
    if (vkResult != VK_SUCCESS) {
      result = Fail(kComputeCall, E_OUTOFMEMORY, "Vulkan could not build the pipeline: %s", DescribeVkResult(vkResult));
    }
  }
  if (shader.module != VK_NULL_HANDLE) vkDestroyShaderModule(vulkan.Handle(), shader.module, nullptr);
  if (FAILED(result)) {
    if (created != nullptr) created->Release();
    return result;
  }
  root.AddRef();
  created->rootSignature_ = &root;
  created->compute_ = true;
  *pipelineState = created;
  return S_OK;
}

}  // namespace d3d12vk
