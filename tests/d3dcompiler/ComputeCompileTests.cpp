// Compute targets and the HLSL buffer kinds: every structured, raw and typed buffer and RWTexture2D compiles to
// SPIR-V that validates for Vulkan 1.3, and Shader Model 6 targets are refused with a message.
#include "CompileOutput.h"
#include "SpirvModule.h"

#include <d3dcompiler.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spirv-tools/libspirv.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;

constexpr const char* EveryBufferKind = R"(
StructuredBuffer<float4> Structured : register(t0);
ByteAddressBuffer Raw : register(t1);
Buffer<float4> Typed : register(t2);
RWStructuredBuffer<uint> StructuredOut : register(u0);
RWByteAddressBuffer RawOut : register(u1);
RWBuffer<uint> TypedOut : register(u2);
RWTexture2D<float4> Image : register(u3, space1);
[numthreads(8, 8, 1)]
void main(uint3 id : SV_DispatchThreadID) {
  StructuredOut[id.x] = asuint(Structured[id.x].x) + Raw.Load(id.x * 4);
  RawOut.Store(id.x * 4, TypedOut[id.x]);
  TypedOut[id.x] = (uint)Typed[id.x].y;
  Image[id.xy] = Typed[id.y];
}
)";

Compiled CompileText(const char* source, const char* target) {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result = D3DCompile(source, std::strlen(source), "buffers.hlsl", nullptr, nullptr, "main", target,
                                    D3DCOMPILE_DEBUG, 0, &code, &errors);
  return Collect(result, code, errors);
}

TEST(ComputeCompile, EveryBufferKindCompilesForBothComputeModels) {
  for (const char* target : {"cs_5_0", "cs_5_1"}) {
    const Compiled compiled = CompileText(EveryBufferKind, target);
    ASSERT_EQ(compiled.Result, S_OK) << target << ": " << compiled.Errors;
    EXPECT_EQ(ValidationMessages(compiled.Words), "") << target;
    const SpirvModule module(compiled.Words);
    EXPECT_TRUE(module.Contains(spv::OpExecutionMode));
    // The binding scheme holds for every kind: t 1024, u 2048, and the space as the set.
    EXPECT_EQ(module.Decoration(module.Variable("Structured"), spv::DecorationBinding), 1024u);
    EXPECT_EQ(module.Decoration(module.Variable("TypedOut"), spv::DecorationBinding), 2050u);
    EXPECT_EQ(module.Decoration(module.Variable("Image"), spv::DecorationBinding), 2051u);
    EXPECT_EQ(module.Decoration(module.Variable("Image"), spv::DecorationDescriptorSet), 1u);
  }
}

// Interlocked operations with int literals and values on every buffer kind and on group-shared memory: the
// Windows compiler converts them to the destination's type, and so must the code validate.
TEST(ComputeCompile, InterlockedOperationsTakeIntArgumentsOnEveryBufferKind) {
  const char* source = R"(
RWStructuredBuffer<uint> StructuredOut : register(u0);
RWByteAddressBuffer RawOut : register(u1);
RWBuffer<uint> TypedOut : register(u2);
RWTexture2D<int> Image : register(u3);
groupshared uint Shared;
cbuffer Values : register(b0) { int Signed; };
[numthreads(8, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
  uint original;
  int signedOriginal;
  InterlockedAdd(StructuredOut[id.x], -1);
  InterlockedOr(TypedOut[id.x], Signed, original);
  InterlockedMax(Image[id.xy], 2u, signedOriginal);
  InterlockedCompareStore(Shared, 0, Signed);
  InterlockedExchange(Shared, 1, original);
  RawOut.InterlockedAnd(0, Signed, original);
  RawOut.InterlockedXor(4, -1);
  RawOut.InterlockedMin(8, Signed + 1, original);
  RawOut.InterlockedCompareExchange(12, Signed, 1, original);
  RawOut.InterlockedCompareStore(16, 0, Signed);
  StructuredOut[0] = original + Shared + signedOriginal;
}
)";
  for (const char* target : {"cs_5_0", "cs_5_1"}) {
    const Compiled compiled = CompileText(source, target);
    ASSERT_EQ(compiled.Result, S_OK) << target << ": " << compiled.Errors;
    EXPECT_EQ(ValidationMessages(compiled.Words), "") << target;
  }
}

TEST(ComputeCompile, ShaderModelSixSaysItCannotBeCompiled) {
  ::testing::internal::CaptureStderr();
  const Compiled compiled = CompileText(EveryBufferKind, "cs_6_0");
  const std::string stderrText = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(compiled.Result, E_FAIL);
  EXPECT_TRUE(compiled.Words.empty());
  EXPECT_THAT(compiled.Errors, HasSubstr("Shader Model 6 (DXIL)"));
  EXPECT_THAT(stderrText, HasSubstr("cs_6_0"));
  EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << "one line: " << stderrText;
}

}  // namespace
