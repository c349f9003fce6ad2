// Reading vertex inputs and used descriptors from shaders compiled by the platform's D3DCompileFromFile.
#include <windows.h>

#include "SpirvReader.h"
#include "support/GpuContext.h"

#include <d3dcompiler.h>
#include <gtest/gtest.h>

#include <map>

namespace d3d12vk {
namespace {

std::vector<uint32_t> CompileVertexShader(const std::string& source) {
  return CompileToSpirv(source, "vs_5_0", D3DCOMPILE_DEBUG);
}

const char* kSkinnedStyleShader = R"(
cbuffer Pass : register(b0) { float4x4 ViewProj; };
cbuffer Unused : register(b3) { float4 NeverRead; };
struct VertexIn {
  float3 position : POSITION; float2 uv : TEXCOORD; float4 weights : WEIGHTS; float4 bones : BONEINDICES;
  float2 detail : TEXCOORD1;
};
float4 main(VertexIn input, uint instance : SV_InstanceID) : SV_Position {
  return mul(float4(input.position + input.weights.xyz + input.bones.xyz, 1), ViewProj) +
         float4(input.uv, input.detail) * instance;
})";

TEST(SpirvReader, FindsEachInputsSemanticAndLocation) {
  const std::vector<uint32_t> code = CompileVertexShader(kSkinnedStyleShader);
  ShaderInterface shader;
  std::string error;
  ASSERT_TRUE(ReadShaderInterface(code.data(), code.size() * 4, &shader, &error)) << error;
  EXPECT_EQ(shader.stage, ShaderStage::Vertex);
  EXPECT_EQ(shader.entryPoint, "main");
  ASSERT_EQ(shader.inputs.size(), 5u) << "SV_InstanceID is a built-in, not an input element";
  std::map<std::string, std::pair<uint32_t, uint32_t>> bySemantic;
  for (const ShaderInput& input : shader.inputs) {
    bySemantic[input.semanticName + std::to_string(input.semanticIndex)] = {input.location, input.semanticIndex};
  }
  EXPECT_TRUE(bySemantic.count("POSITION0"));
  EXPECT_TRUE(bySemantic.count("TEXCOORD0")) << "a semantic without digits has index 0";
  EXPECT_TRUE(bySemantic.count("TEXCOORD1"));
  EXPECT_TRUE(bySemantic.count("BONEINDICES0"));
  EXPECT_NE(bySemantic["TEXCOORD0"].first, bySemantic["TEXCOORD1"].first);
}

TEST(SpirvReader, ListsOnlyTheDescriptorsTheCodeReads) {
  const std::vector<uint32_t> code = CompileVertexShader(kSkinnedStyleShader);
  ShaderInterface shader;
  std::string error;
  ASSERT_TRUE(ReadShaderInterface(code.data(), code.size() * 4, &shader, &error)) << error;
  ASSERT_EQ(shader.resources.size(), 1u) << "b3 is declared but never read";
  EXPECT_EQ(shader.resources[0].set, 0u);
  EXPECT_EQ(shader.resources[0].binding, 0u);
}

TEST(SpirvReader, StrippingTheHlslDecorationsKeepsTheRest) {
  const std::vector<uint32_t> code = CompileVertexShader(kSkinnedStyleShader);
  const std::vector<uint32_t> stripped = WithoutHlslDecorations(code.data(), code.size() * 4);
  EXPECT_LT(stripped.size(), code.size());
  ShaderInterface shader;
  std::string error;
  ASSERT_TRUE(ReadShaderInterface(stripped.data(), stripped.size() * 4, &shader, &error)) << error;
  EXPECT_EQ(shader.inputs.size(), 5u);
  EXPECT_TRUE(shader.inputs[0].semanticName.empty()) << "the semantics are gone";
}

TEST(SpirvReader, RejectsWhatIsNotSpirv) {
  ShaderInterface shader;
  std::string error;
  const char dxbc[] = "DXBC and some more bytes..";
  EXPECT_FALSE(ReadShaderInterface(dxbc, 24, &shader, &error));
  EXPECT_FALSE(ReadShaderInterface(nullptr, 0, &shader, &error));
  const uint32_t truncated[] = {0x07230203, 0x00010000, 0, 100, 0, (20u << 16) | 15u};
  EXPECT_FALSE(ReadShaderInterface(truncated, sizeof(truncated), &shader, &error));
}

TEST(SpirvReader, SplitsSemanticsIntoNameAndIndex) {
  std::string name;
  uint32_t index = 0;
  SplitSemantic("TEXCOORD12", &name, &index);
  EXPECT_EQ(name, "TEXCOORD");
  EXPECT_EQ(index, 12u);
  SplitSemantic("COLOR", &name, &index);
  EXPECT_EQ(name, "COLOR");
  EXPECT_EQ(index, 0u);
}

}  // namespace
}  // namespace d3d12vk
