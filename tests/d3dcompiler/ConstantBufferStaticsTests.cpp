// Static declarations written inside cbuffer blocks, as the Windows compiler reads them: globals with their
// initialisers, outside the buffer.
#include "CompileOutput.h"
#include "SpirvModule.h"

#include <d3dcompiler.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using ::testing::HasSubstr;

// Unoptimised, so the blocks keep their names.
Compiled CompileText(const std::string& source, const char* target) {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result = D3DCompile(source.data(), source.size(), "statics.hlsl", nullptr, nullptr, "main", target,
                                    D3DCOMPILE_SKIP_OPTIMIZATION, 0, &code, &errors);
  return Collect(result, code, errors);
}

TEST(ConstantBufferStatics, StaticMembersAreGlobalsAndOnlyTheRestIsABuffer) {
  // Lines 3-4 and 6-8 are static; a block of statics alone binds nothing.
  const Compiled compiled = CompileText(R"(cbuffer Frame : register(b0) {
  float4 Tint;
  static float Radius = 10.0f; /* ; in a comment */
  static float2 Offsets[2] = { float2(1, 2), float2(3, 4) };
};
cbuffer Immutable {
  static float3 Corners[2] = {
    float3(-1, 1, 0), float3(1, 1, 0) };
};
float4 main(uint id : SV_VertexID) : SV_Position {
  return Tint * Radius + float4(Offsets[id & 1], Corners[id & 1].x, 1);
})",
                                        "vs_5_0");
  ASSERT_EQ(compiled.Result, S_OK) << compiled.Errors;
  EXPECT_EQ(ValidationMessages(compiled.Words), "");
  const SpirvModule module(compiled.Words);
  const uint32_t frame = module.Variable("Frame");
  ASSERT_NE(frame, 0u);
  EXPECT_EQ(module.Decoration(frame, spv::DecorationBinding), 0u);
  EXPECT_EQ(module.Variable("Immutable"), 0u);
}

TEST(ConstantBufferStatics, MessagesKeepTheirLineNumbers) {
  const Compiled compiled = CompileText(R"(cbuffer Frame {
  static float Radius = 1.0f;
  float4 Tint;
};
float4 main() : SV_Position {
  return Tint * Radius + undefinedName;
})",
                                        "vs_5_0");
  EXPECT_NE(compiled.Result, S_OK);
  EXPECT_THAT(compiled.Errors, HasSubstr("statics.hlsl:6"));
}

TEST(ConstantBufferStatics, IncludedFilesAreReadTheSameWay) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("cbuffer-statics-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "table.hlsli") << "cbuffer Table { static float Scale = 2.0f; };\n";
  std::ofstream(folder / "main.hlsl") << "#include \"table.hlsli\"\n"
                                         "float4 main() : SV_Position { return float4(Scale, 0, 0, 1); }\n";
  const std::string path = (folder / "main.hlsl").string();
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result =
      D3DCompileFromFile(std::wstring(path.begin(), path.end()).c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE,
                         "main", "vs_5_0", D3DCOMPILE_SKIP_OPTIMIZATION, 0, &code, &errors);
  const Compiled compiled = Collect(result, code, errors);
  std::filesystem::remove_all(folder);
  ASSERT_EQ(compiled.Result, S_OK) << compiled.Errors;
  EXPECT_EQ(SpirvModule(compiled.Words).Variable("Table"), 0u);
}

TEST(ConstantBufferStatics, BlocksWithoutStaticsAreLeftAlone) {
  const Compiled compiled = CompileText(R"(cbuffer staticLooking : register(b1) { float4 staticValue; };
float4 main() : SV_Position { return staticValue; })",
                                        "vs_5_0");
  ASSERT_EQ(compiled.Result, S_OK) << compiled.Errors;
  const uint32_t block = SpirvModule(compiled.Words).Variable("staticLooking");
  ASSERT_NE(block, 0u);
  EXPECT_EQ(SpirvModule(compiled.Words).Decoration(block, spv::DecorationBinding), 1u);
}

}  // namespace
