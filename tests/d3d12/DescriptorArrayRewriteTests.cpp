// Giving descriptor arrays new lengths in SPIR-V from the platform's compiler: only the arrays asked for
// change, also when they share their type with others, and the result is a valid Vulkan module.
#include <windows.h>

#include "DescriptorArrayRewrite.h"
#include "SpirvReader.h"
#include "support/GpuContext.h"

#include <d3dcompiler.h>
#include <gtest/gtest.h>
#include <spirv-tools/libspirv.hpp>

namespace d3d12vk {
namespace {

std::vector<uint32_t> CompileComputeShader(const std::string& source) { return CompileToSpirv(source, "cs_5_1"); }

uint32_t ArraySizeAt(const std::vector<uint32_t>& words, uint32_t set, uint32_t binding) {
  ShaderInterface shader;
  std::string error;
  EXPECT_TRUE(ReadShaderInterface(words.data(), words.size() * 4, &shader, &error)) << error;
  for (const ResourceBinding& resource : shader.declared) {
    if (resource.set == set && resource.binding == binding) return resource.arraySize;
  }
  ADD_FAILURE() << "no resource at set " << set << " binding " << binding;
  return 0;
}

bool ValidForVulkan(const std::vector<uint32_t>& words, std::string* message) {
  spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_3);
  tools.SetMessageConsumer(
      [message](spv_message_level_t, const char*, const spv_position_t&, const char* text) { *message += text; });
  spvtools::ValidatorOptions options;
  options.SetScalarBlockLayout(true);
  return tools.Validate(words.data(), words.size(), options);
}

// The compiler gives both unsized arrays one element and one shared array type; t0 in space 2 becomes five
// elements long, t8 keeps its one, and a module asked for nothing comes back word for word.
TEST(DescriptorArrayRewrite, ResizesOnlyTheArraysAskedForEvenWithASharedType) {
  const std::vector<uint32_t> words = CompileComputeShader(R"(
cbuffer Pick : register(b0) { uint Index; uint2 Pad[2]; uint After; };  // After shares Pad's last register
Texture2D<uint> First[] : register(t0, space2);
Texture2D<uint> Second[] : register(t8, space2);
RWStructuredBuffer<uint> Output : register(u0);
[numthreads(1, 1, 1)]
void main() { Output[0] = First[Index].Load(int3(0, 0, 0)) + Second[Index].Load(int3(0, 0, 0)) + After; })");
  ASSERT_FALSE(words.empty());
  constexpr uint32_t kFirst = 1024, kSecond = 1024 + 8;
  ASSERT_EQ(ArraySizeAt(words, 2, kFirst), 1u);
  ASSERT_EQ(ArraySizeAt(words, 2, kSecond), 1u);

  const std::vector<uint32_t> resized =
      WithArrayLengths(WithoutHlslDecorations(words.data(), words.size() * 4), {{2, kFirst, 5}, {0, kSecond, 7}});
  EXPECT_EQ(ArraySizeAt(resized, 2, kFirst), 5u);
  EXPECT_EQ(ArraySizeAt(resized, 2, kSecond), 1u) << "the length named set 0, not the array's set 2";
  std::string message;
  EXPECT_TRUE(ValidForVulkan(resized, &message)) << message;

  EXPECT_EQ(WithArrayLengths(words, {}), words);
  EXPECT_EQ(WithArrayLengths(words, {{2, 2048, 3}}), words) << "no array at that binding";
}

}  // namespace
}  // namespace d3d12vk
