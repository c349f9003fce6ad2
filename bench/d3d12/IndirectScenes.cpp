#include "IndirectScenes.h"

#include "FramePipeline.h"

#include <d3dcompiler.h>
#include <d3dx12.h>

#include <cstring>
#include <vector>

namespace compute_bench {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT kSize = 64;

constexpr const char* kShaders = R"(
cbuffer Tint : register(b0) { float4 Color; };
float4 VSMain(float2 position : POSITION) : SV_Position { return float4(position, 0.5, 1); }
float4 PSMain(float4 position : SV_Position) : SV_Target { return Color; }
float4 PlainPS(float4 position : SV_Position) : SV_Target { return float4(0.25, 0.5, 0.75, 1); }
)";

// A colour and an indexed draw per command; the draws alone are read at offset 16 with the same stride.
struct Command {
  float color[4];
  D3D12_DRAW_INDEXED_ARGUMENTS draw;
};

std::vector<Command> Commands(uint32_t count) {
  std::vector<Command> commands(count);
  for (uint32_t i = 0; i < count; ++i) commands[i] = {{float(i % 7) / 7, 0.5f, 1.0f, 1.0f}, {3, 1, 0, 0, 0}};
  return commands;
}

ComPtr<ID3DBlob> Compile(const char* entry, const char* target) {
  ComPtr<ID3DBlob> code;
  D3DCompile(kShaders, std::strlen(kShaders), "indirect.hlsl", nullptr, nullptr, entry, target, 0, 0, &code, nullptr);
  return code;
}

// Plain Vulkan pipelines name their entry points "main".
ComPtr<ID3DBlob> CompileAsMain(const char* entry, const char* target) {
  const D3D_SHADER_MACRO renamed[] = {{entry, "main"}, {nullptr, nullptr}};
  ComPtr<ID3DBlob> code;
  D3DCompile(kShaders, std::strlen(kShaders), "indirect.hlsl", renamed, nullptr, "main", target, 0, 0, &code, nullptr);
  return code;
}

std::vector<uint32_t> Words(ID3DBlob* code) {
  if (code == nullptr) return {};
  const auto* words = static_cast<const uint32_t*>(code->GetBufferPointer());
  return {words, words + code->GetBufferSize() / 4};
}

}  // namespace

LayerIndirectScene::LayerIndirectScene(uint32_t commands) : commands_(commands) {
  if (!Initialize() && error_.empty()) error_ = "the layer's indirect scene could not be set up";
}

bool LayerIndirectScene::Initialize() {
  if (!gpu_.Initialize()) return false;
  gpu_.list->Close();
  ID3D12Device* device = gpu_.device.Get();
  const D3D12_DESCRIPTOR_HEAP_DESC rtvDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT), upload(D3D12_HEAP_TYPE_UPLOAD);
  const auto targetDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kSize, kSize, 1, 1, 1, 0,
                                                       D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  if (FAILED(device->CreateDescriptorHeap(&rtvDesc, IID_PPV_ARGS(&rtvHeap_))) ||
      FAILED(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &targetDesc,
                                             D3D12_RESOURCE_STATE_RENDER_TARGET, nullptr, IID_PPV_ARGS(&target_)))) {
    return false;
  }
  device->CreateRenderTargetView(target_.Get(), nullptr, rtvHeap_->GetCPUDescriptorHandleForHeapStart());
  // Clockwise in Direct3D's clip space, as its default culling wants.
  const float triangle[6] = {-0.5f, 0.5f, 0.5f, 0.5f, 0.0f, -0.5f};
  const uint16_t indices[3] = {0, 1, 2};
  const std::vector<Command> commands = Commands(commands_);
  const uint32_t count = commands_;
  struct Filled {
    ComPtr<ID3D12Resource>* buffer;
    const void* data;
    size_t size;
  };
  for (const Filled& each : {Filled{&vertices_, triangle, sizeof(triangle)}, Filled{&indices_, indices, sizeof(indices)},
                             Filled{&arguments_, commands.data(), commands.size() * sizeof(Command)},
                             Filled{&count_, &count, sizeof(count)}}) {
    const auto desc = CD3DX12_RESOURCE_DESC::Buffer(each.size);
    void* mapped = nullptr;
    if (FAILED(device->CreateCommittedResource(&upload, D3D12_HEAP_FLAG_NONE, &desc, D3D12_RESOURCE_STATE_GENERIC_READ,
                                               nullptr, IID_PPV_ARGS(each.buffer->GetAddressOf()))) ||
        FAILED((*each.buffer)->Map(0, nullptr, &mapped))) {
      return false;
    }
    std::memcpy(mapped, each.data, each.size);
  }

  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsConstants(4, 0);
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{1, &parameter, 0, nullptr,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3DBlob> blob;
  if (FAILED(D3D12SerializeRootSignature(&rootDesc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, nullptr)) ||
      FAILED(device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root_)))) {
    return false;
  }
  ComPtr<ID3DBlob> vs = Compile("VSMain", "vs_5_0"), ps = Compile("PSMain", "ps_5_0");
  ComPtr<ID3DBlob> plainPs = Compile("PlainPS", "ps_5_0");
  if (vs == nullptr || ps == nullptr || plainPs == nullptr) return false;
  const D3D12_INPUT_ELEMENT_DESC input{
      "POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0};
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
  desc.pRootSignature = root_.Get();
  desc.VS = {vs->GetBufferPointer(), vs->GetBufferSize()};
  desc.PS = {ps->GetBufferPointer(), ps->GetBufferSize()};
  desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  desc.SampleMask = UINT_MAX;
  desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  desc.InputLayout = {&input, 1};
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  desc.NumRenderTargets = 1;
  desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc.Count = 1;
  if (FAILED(device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&tintPipeline_)))) return false;
  desc.PS = {plainPs->GetBufferPointer(), plainPs->GetBufferSize()};
  if (FAILED(device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&plainPipeline_)))) return false;

  D3D12_INDIRECT_ARGUMENT_DESC arguments[2]{};
  arguments[0].Type = D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT;
  arguments[0].Constant = {0, 0, 4};
  arguments[1].Type = D3D12_INDIRECT_ARGUMENT_TYPE_DRAW_INDEXED;
  const D3D12_COMMAND_SIGNATURE_DESC split{sizeof(Command), 2, arguments, 0};
  const D3D12_COMMAND_SIGNATURE_DESC plain{sizeof(Command), 1, &arguments[1], 0};
  return SUCCEEDED(device->CreateCommandSignature(&split, root_.Get(), IID_PPV_ARGS(&split_))) &&
         SUCCEEDED(device->CreateCommandSignature(&plain, nullptr, IID_PPV_ARGS(&plain_)));
}

void LayerIndirectScene::Render(IndirectMode mode) {
  gpu_.allocator->Reset();
  ID3D12GraphicsCommandList* list = gpu_.list.Get();
  list->Reset(gpu_.allocator.Get(), mode == IndirectMode::Plain ? plainPipeline_.Get() : tintPipeline_.Get());
  const D3D12_CPU_DESCRIPTOR_HANDLE rtv = rtvHeap_->GetCPUDescriptorHandleForHeapStart();
  const float clear[4] = {0, 0, 0, 1};
  list->ClearRenderTargetView(rtv, clear, 0, nullptr);
  const D3D12_VIEWPORT viewport{0, 0, float(kSize), float(kSize), 0, 1};
  const D3D12_RECT scissor{0, 0, LONG(kSize), LONG(kSize)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &rtv, FALSE, nullptr);
  list->SetGraphicsRootSignature(root_.Get());
  const float tint[4] = {0.25f, 0.5f, 0.75f, 1};
  list->SetGraphicsRoot32BitConstants(0, 4, tint, 0);
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D12_VERTEX_BUFFER_VIEW vertexView{vertices_->GetGPUVirtualAddress(), 24, 8};
  const D3D12_INDEX_BUFFER_VIEW indexView{indices_->GetGPUVirtualAddress(), 6, DXGI_FORMAT_R16_UINT};
  list->IASetVertexBuffers(0, 1, &vertexView);
  list->IASetIndexBuffer(&indexView);
  if (mode == IndirectMode::Split) {
    list->ExecuteIndirect(split_.Get(), commands_, arguments_.Get(), 0, count_.Get(), 0);
  } else {
    list->ExecuteIndirect(plain_.Get(), commands_, arguments_.Get(), offsetof(Command, draw), count_.Get(), 0);
  }
  list->Close();
  gpu_.ExecuteAndWait();
}

VulkanIndirectScene::VulkanIndirectScene(uint32_t commands)
    : commands_(commands), context_({VK_QUEUE_GRAPHICS_BIT, true, VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT, false, true}) {
  if (context_.Error().empty() && !Initialize() && error_.empty()) error_ = "the Vulkan indirect scene could not be set up";
  if (!context_.Error().empty()) error_ = context_.Error();
}

VulkanIndirectScene::~VulkanIndirectScene() {
  VkDevice device = context_.Device();
  if (device == VK_NULL_HANDLE) return;
  vkDeviceWaitIdle(device);
  if (pipeline_ != VK_NULL_HANDLE) vkDestroyPipeline(device, pipeline_, nullptr);
  if (layout_ != VK_NULL_HANDLE) vkDestroyPipelineLayout(device, layout_, nullptr);
  context_.Destroy(target_);
  for (d3d12_bench::VulkanBuffer* buffer : {&vertices_, &indices_, &arguments_, &count_}) context_.Destroy(*buffer);
}

bool VulkanIndirectScene::Initialize() {
  // Clockwise in Vulkan's framebuffer, whose y grows downwards.
  const float triangle[6] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.0f, 0.5f};
  const uint16_t indices[3] = {0, 1, 2};
  const std::vector<Command> commands = Commands(commands_);
  const uint32_t count = commands_;
  if (!context_.CreateImage(VK_FORMAT_R8G8B8A8_UNORM, {kSize, kSize}, VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT,
                            VK_IMAGE_ASPECT_COLOR_BIT, &target_) ||
      !context_.CreateFilledBuffer(triangle, sizeof(triangle), VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &vertices_) ||
      !context_.CreateFilledBuffer(indices, sizeof(indices), VK_BUFFER_USAGE_INDEX_BUFFER_BIT, &indices_) ||
      !context_.CreateFilledBuffer(commands.data(), commands.size() * sizeof(Command),
                                   VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT, &arguments_) ||
      !context_.CreateFilledBuffer(&count, sizeof(count), VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT, &count_)) {
    error_ = "no memory for the Vulkan indirect scene";
    return false;
  }
  auto layoutInfo = d3d12_bench::Make<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  if (vkCreatePipelineLayout(context_.Device(), &layoutInfo, nullptr, &layout_) != VK_SUCCESS) return false;
  d3d12_bench::FramePipelineShape shape;
  shape.stride = 8;
  shape.attributes = {{0, 0, VK_FORMAT_R32G32_SFLOAT, 0}};
  pipeline_ = d3d12_bench::CreateFramePipeline(context_, Words(CompileAsMain("VSMain", "vs_5_0").Get()),
                                               Words(CompileAsMain("PlainPS", "ps_5_0").Get()), layout_, shape);
  if (pipeline_ == VK_NULL_HANDLE) error_ = "the Vulkan indirect scene's pipeline could not be made";
  return pipeline_ != VK_NULL_HANDLE;
}

void VulkanIndirectScene::Render() {
  const VkCommandBuffer commands = context_.Commands();
  vkResetCommandBuffer(commands, 0);
  context_.BeginCommands();
  d3d12_bench::ImageBarrier(commands, target_.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
                            VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT, 0,
                            VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
                            VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);
  auto attachment = d3d12_bench::Make<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  attachment.imageView = target_.view;
  attachment.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  attachment.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  attachment.clearValue.color = {{0, 0, 0, 1}};
  auto rendering = d3d12_bench::Make<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
  rendering.renderArea = {{0, 0}, {kSize, kSize}};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachments = &attachment;
  vkCmdBeginRendering(commands, &rendering);
  vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline_);
  const VkViewport viewport{0, 0, float(kSize), float(kSize), 0, 1};
  const VkRect2D scissor{{0, 0}, {kSize, kSize}};
  vkCmdSetViewport(commands, 0, 1, &viewport);
  vkCmdSetScissor(commands, 0, 1, &scissor);
  const VkDeviceSize offset = 0;
  vkCmdBindVertexBuffers(commands, 0, 1, &vertices_.buffer, &offset);
  vkCmdBindIndexBuffer(commands, indices_.buffer, 0, VK_INDEX_TYPE_UINT16);
  vkCmdDrawIndexedIndirectCount(commands, arguments_.buffer, offsetof(Command, draw), count_.buffer, 0, commands_,
                                sizeof(Command));
  vkCmdEndRendering(commands);
  vkEndCommandBuffer(commands);
  context_.SubmitAndWait();
}

}  // namespace compute_bench
