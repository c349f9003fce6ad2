// D3DCompileFromFile / D3DCompile: HLSL files written by the tests, compiled and checked in the SPIR-V.
#include "CompileOutput.h"
#include "SpirvModule.h"

#include <d3dcompiler.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spirv-tools/libspirv.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

// The vertex shader the engine's model shader resembles: registers b0-b2, t0 and s0, and two inputs
// that only the SKINNED variant has.
constexpr const char* ModelVertexShader = R"(
cbuffer PassConstants : register(b0) { float4x4 ViewProjection; };
cbuffer ObjectConstants : register(b1) { float4x4 World; };
cbuffer Palette : register(b2) { float4x4 Bones[96]; };
struct VertexIn {
    float3 Position : POSITION; float3 Normal : NORMAL; float2 Uv : TEXCOORD0; float2 Uv2 : TEXCOORD1;
#ifdef SKINNED
    float4 Weights : BLENDWEIGHT; float4 Indices : BLENDINDICES;
#endif
};
struct VertexOut { float4 Position : SV_POSITION; float3 Normal : NORMAL; float2 Uv : TEXCOORD0; };
VertexOut main(VertexIn input) {
    float4 position = float4(input.Position, 1.0f);
#ifdef SKINNED
    position = mul(position, Bones[(int)input.Indices.x]) * input.Weights.x;
#endif
    VertexOut output;
    output.Position = mul(mul(position, World), ViewProjection);
    output.Normal = input.Normal;
    output.Uv = input.Uv + input.Uv2;
    return output;
}
)";

constexpr const char* TexturedPixelShader = R"(
Texture2D Diffuse : register(t0);
SamplerState LinearWrap : register(s0);
cbuffer Tint : register(b1, space1) { float4 TintColour; };
Texture2D Detail;  // no register: the first free t register
float4 main(float4 position : SV_POSITION, float2 uv : TEXCOORD0) : SV_TARGET {
    return Diffuse.Sample(LinearWrap, uv) * Detail.Sample(LinearWrap, uv) * TintColour;
}
)";

class CompileFromFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("d3dcompiler-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::wstring Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = folder_ / std::filesystem::u8path(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
    return path.wstring();
  }

  static Compiled Compile(const std::wstring& file, const char* target, const D3D_SHADER_MACRO* defines = nullptr,
                          ID3DInclude* include = D3D_COMPILE_STANDARD_FILE_INCLUDE, UINT flags = D3DCOMPILE_DEBUG) {
    ID3DBlob* code = nullptr;
    ID3DBlob* errors = nullptr;
    const HRESULT result = D3DCompileFromFile(file.c_str(), defines, include, "main", target, flags, 0, &code, &errors);
    return Collect(result, code, errors);
  }

  std::filesystem::path folder_;
};

TEST_F(CompileFromFile, ProducesValidSpirvForEveryVariantTheEngineBuilds) {
  const std::wstring vertexShader = Write("objVS.hlsl", ModelVertexShader);
  const D3D_SHADER_MACRO skinned[] = {{"SKINNED", "1"}, {nullptr, nullptr}};
  for (UINT flags : {UINT{D3DCOMPILE_DEBUG}, UINT{0}}) {
    for (const D3D_SHADER_MACRO* defines : {static_cast<const D3D_SHADER_MACRO*>(nullptr), skinned}) {
      for (const char* target : {"vs_5_0", "vs_5_1"}) {
        const Compiled compiled = Compile(vertexShader, target, defines, D3D_COMPILE_STANDARD_FILE_INCLUDE, flags);
        ASSERT_EQ(compiled.Result, S_OK) << compiled.Errors;
        ASSERT_FALSE(compiled.Words.empty());
        EXPECT_EQ(compiled.Words[0], spv::MagicNumber);
        EXPECT_EQ(ValidationMessages(compiled.Words), "");
      }
    }
  }
  const Compiled pixel = Compile(Write("objPS.hlsl", TexturedPixelShader), "ps_5_0");
  ASSERT_EQ(pixel.Result, S_OK) << pixel.Errors;
  EXPECT_EQ(ValidationMessages(pixel.Words), "");
}

TEST_F(CompileFromFile, InputsCarryTheirSemanticsAndTheSkinnedMacroAddsBoneInputs) {
  const std::wstring file = Write("objVS.hlsl", ModelVertexShader);
  const D3D_SHADER_MACRO skinned[] = {{"SKINNED", "1"}, {nullptr, nullptr}};
  const SpirvModule plain(Compile(file, "vs_5_0").Words);
  EXPECT_THAT(plain.InputSemantics(),
              ElementsAre(Pair("NORMAL", 1), Pair("POSITION", 0), Pair("TEXCOORD0", 2), Pair("TEXCOORD1", 3)));
  // Optimised code keeps the semantics the input layout is matched against.
  const SpirvModule optimised(Compile(file, "vs_5_0", skinned, D3D_COMPILE_STANDARD_FILE_INCLUDE, 0).Words);
  EXPECT_THAT(optimised.InputSemantics(),
              ElementsAre(Pair("BLENDINDICES", 5), Pair("BLENDWEIGHT", 4), Pair("NORMAL", 1), Pair("POSITION", 0),
                          Pair("TEXCOORD0", 2), Pair("TEXCOORD1", 3)));
}

TEST_F(CompileFromFile, RegistersBecomeDescriptorSetAndBinding) {
  const D3D_SHADER_MACRO skinned[] = {{"SKINNED", "1"}, {nullptr, nullptr}};
  const SpirvModule vertex(Compile(Write("objVS.hlsl", ModelVertexShader), "vs_5_0", skinned).Words);
  const SpirvModule pixel(Compile(Write("objPS.hlsl", TexturedPixelShader), "ps_5_0").Words);
  struct Expected {
    const SpirvModule& Module;
    const char* Name;
    uint32_t Set;
    uint32_t Binding;
  };
  for (const Expected& expected :
       {Expected{vertex, "PassConstants", 0, 0}, Expected{vertex, "Palette", 0, 2}, Expected{pixel, "Diffuse", 0, 1024},
        Expected{pixel, "LinearWrap", 0, 3072}, Expected{pixel, "Tint", 1, 1}, Expected{pixel, "Detail", 0, 1025}}) {
    const uint32_t variable = expected.Module.Variable(expected.Name);
    ASSERT_NE(variable, 0u) << expected.Name;
    EXPECT_EQ(expected.Module.Decoration(variable, spv::DecorationDescriptorSet), expected.Set) << expected.Name;
    EXPECT_EQ(expected.Module.Decoration(variable, spv::DecorationBinding), expected.Binding) << expected.Name;
  }
}

// HLSL's default column_major packing reads as SPIR-V RowMajor: the front end stores HLSL rows as
// SPIR-V columns, so mul(v, M) becomes M * v on the same bytes the Windows compiler would read.
TEST_F(CompileFromFile, ConstantBufferMatricesPackLikeTheWindowsCompiler) {
  const std::wstring file = Write("matrices.hlsl", R"(
cbuffer Constants : register(b0) { float4x4 Plain; row_major float4x4 RowMajor; };
float4 main(float4 position : POSITION) : SV_POSITION { return mul(mul(position, Plain), RowMajor); }
)");
  const SpirvModule byDefault(Compile(file, "vs_5_0").Words);
  const uint32_t block = byDefault.PointeeOf(byDefault.Variable("Constants"));
  EXPECT_TRUE(byDefault.MemberDecorated(block, 0, spv::DecorationRowMajor));
  EXPECT_TRUE(byDefault.MemberDecorated(block, 1, spv::DecorationColMajor));
  EXPECT_TRUE(byDefault.Contains(spv::OpMatrixTimesVector));
  EXPECT_FALSE(byDefault.Contains(spv::OpVectorTimesMatrix));

  const SpirvModule packedByRow(
      Compile(file, "vs_5_0", nullptr, nullptr, D3DCOMPILE_DEBUG | D3DCOMPILE_PACK_MATRIX_ROW_MAJOR).Words);
  EXPECT_TRUE(packedByRow.MemberDecorated(packedByRow.PointeeOf(packedByRow.Variable("Constants")), 0,
                                          spv::DecorationColMajor));
}

TEST_F(CompileFromFile, DebugBuildsCarryTheSourceAndOthersDoNot) {
  const std::wstring file = Write("objVS.hlsl", ModelVertexShader);
  EXPECT_TRUE(SpirvModule(Compile(file, "vs_5_0").Words).Contains(spv::OpLine));
  EXPECT_FALSE(SpirvModule(Compile(file, "vs_5_0", nullptr, nullptr, 0).Words).Contains(spv::OpLine));
}

TEST_F(CompileFromFile, StandardIncludeSearchesTheIncludingFilesFolderFirst) {
  Write("lib/colour.hlsli", "#include \"tone.hlsli\"\nfloat4 Colour() { return Tone * 0.5f; }\n");
  Write("lib/tone.hlsli", "static const float4 Tone = float4(1, 1, 1, 1);\n");
  Write("tone.hlsli", "this file must not be included\n");
  const std::wstring file = Write("shader.hlsl",
                                  "#include \"lib/colour.hlsli\"\n"
                                  "float4 main() : SV_TARGET { return Colour(); }\n");
  const Compiled standard = Compile(file, "ps_5_0");
  EXPECT_EQ(standard.Result, S_OK) << standard.Errors;

  const Compiled refused = Compile(file, "ps_5_0", nullptr, nullptr);
  EXPECT_EQ(refused.Result, E_FAIL);
  EXPECT_THAT(refused.Errors, HasSubstr("shader.hlsl:1: error"));
  EXPECT_THAT(refused.Errors, HasSubstr("no include handler"));
}

// Hands out sources from memory and records the parent data it is given, as a caller's handler would.
class MemoryInclude : public ID3DInclude {
 public:
  HRESULT STDMETHODCALLTYPE Open(D3D_INCLUDE_TYPE, LPCSTR name, LPCVOID parent, LPCVOID* data, UINT* bytes) override {
    const auto file = Files.find(name);
    if (file == Files.end()) return E_FAIL;
    Parents.push_back(parent);
    *data = file->second.data();
    *bytes = static_cast<UINT>(file->second.size());
    ++OpenCount;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close(LPCVOID) override { return --OpenCount, S_OK; }

  std::map<std::string, std::string> Files{{"outer.hlsli", "#include \"inner.hlsli\"\n"},
                                           {"inner.hlsli", "float4 Inner() { return 1; }\n"}};
  std::vector<LPCVOID> Parents;
  int OpenCount = 0;
};

TEST(D3DCompile, CompilesFromMemoryThroughTheCallersIncludeHandler) {
  const std::string source = "#include \"outer.hlsli\"\nfloat4 main() : SV_TARGET { return Inner(); }\n";
  MemoryInclude include;
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const Compiled compiled = Collect(D3DCompile(source.data(), source.size(), "memory.hlsl", nullptr, &include, "main",
                                               "ps_5_0", 0, 0, &code, &errors),
                                    code, errors);
  EXPECT_EQ(compiled.Result, S_OK) << compiled.Errors;
  EXPECT_THAT(include.Parents, ElementsAre(nullptr, include.Files["outer.hlsli"].data()));
  EXPECT_EQ(include.OpenCount, 0) << "every opened include is closed";
}

TEST_F(CompileFromFile, CompileErrorsNameTheFileAndLine) {
  Write("broken.hlsli", "float4 Broken() { return undefinedName; }\n");
  const Compiled inShader =
      Compile(Write("shader.hlsl", "\n\nfloat4 main() : SV_TARGET { return missing; }\n"), "ps_5_0");
  EXPECT_EQ(inShader.Result, E_FAIL);
  EXPECT_TRUE(inShader.Words.empty());
  EXPECT_THAT(inShader.Errors, HasSubstr("shader.hlsl:3: error:"));
  EXPECT_THAT(inShader.Errors, HasSubstr("missing"));

  const Compiled inInclude = Compile(
      Write("user.hlsl", "#include \"broken.hlsli\"\nfloat4 main() : SV_TARGET { return Broken(); }\n"), "ps_5_0",
      nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, D3DCOMPILE_DEBUG | D3DCOMPILE_PACK_MATRIX_ROW_MAJOR);
  EXPECT_THAT(inInclude.Errors, HasSubstr("broken.hlsli:1: error:"));

  const Compiled noEntryPoint = Compile(Write("empty.hlsl", "float4 other() : SV_TARGET { return 0; }\n"), "ps_5_0");
  EXPECT_EQ(noEntryPoint.Result, E_FAIL);
  EXPECT_THAT(noEntryPoint.Errors, HasSubstr("empty.hlsl: error: entry point 'main'"));
}

TEST_F(CompileFromFile, ErrorsGoToTheBlobOrWithoutOneToStderr) {
  const std::wstring file = Write("bad.hlsl", "float4 main() : SV_TARGET { return missing; }\n");
  ::testing::internal::CaptureStderr();
  const Compiled withBlob = Compile(file, "ps_5_0");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the caller reads the message from the error blob";
  EXPECT_THAT(withBlob.Errors, HasSubstr("bad.hlsl:1: error:"));

  ID3DBlob* code = nullptr;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(D3DCompileFromFile(file.c_str(), nullptr, nullptr, "main", "ps_5_0", 0, 0, &code, nullptr), E_FAIL);
  const std::string line = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(line, HasSubstr("D3DCompileFromFile: "));
  EXPECT_THAT(line, HasSubstr("bad.hlsl:1: error:"));
  EXPECT_EQ(code, nullptr);
}

TEST_F(CompileFromFile, MissingFilesGiveTheWindowsErrorCodes) {
  const std::wstring missing = (folder_ / "nothere.hlsl").wstring();
  const Compiled file = Compile(missing, "vs_5_0");
  EXPECT_EQ(file.Result, static_cast<HRESULT>(0x80070002));
  EXPECT_THAT(file.Errors, HasSubstr("nothere.hlsl"));
  EXPECT_EQ(Compile((folder_ / "no-folder" / "x.hlsl").wstring(), "vs_5_0").Result, static_cast<HRESULT>(0x80070003));

  // Wide names reach the file system as UTF-8.
  std::ofstream(folder_ / "sch\u00e4del.hlsl") << "float4 main() : SV_TARGET { return 1; }\n";
  EXPECT_EQ(Compile(folder_.wstring() + L"/sch\u00e4del.hlsl", "ps_5_0").Result, S_OK);
}

TEST_F(CompileFromFile, RejectsBadArgumentsWithoutTouchingTheFile) {
  const std::wstring file = Write("ok.hlsl", "float4 main() : SV_TARGET { return 1; }\n");
  ID3DBlob* code = nullptr;
  EXPECT_EQ(D3DCompileFromFile(nullptr, nullptr, nullptr, "main", "ps_5_0", 0, 0, &code, nullptr), E_INVALIDARG);
  EXPECT_EQ(D3DCompileFromFile(file.c_str(), nullptr, nullptr, nullptr, "ps_5_0", 0, 0, &code, nullptr), E_INVALIDARG);
  EXPECT_EQ(D3DCompileFromFile(file.c_str(), nullptr, nullptr, "main", nullptr, 0, 0, &code, nullptr), E_INVALIDARG);
  EXPECT_EQ(D3DCompileFromFile(file.c_str(), nullptr, nullptr, "main", "ps_5_0", 0, 0, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(D3DCompile(nullptr, 16, nullptr, nullptr, nullptr, "main", "ps_5_0", 0, 0, &code, nullptr), E_INVALIDARG);
  EXPECT_EQ(code, nullptr);

  for (const char* target : {"hs_4_0", "cs_4_0_level_9_3", "ps_4_0_level_9_2", "xs_5_0", "ps_5_0x", "", "vs"}) {
    const Compiled unknown = Compile(file, target);
    EXPECT_EQ(unknown.Result, E_INVALIDARG) << target;
    EXPECT_THAT(unknown.Errors, HasSubstr("unknown compile target '" + std::string(target) + "'"));
  }
}

Compiled CompileMemory(const char* source, const char* target) {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result =
      D3DCompile(source, std::strlen(source), "rules.hlsl", nullptr, nullptr, "main", target, 0, 0, &code, &errors);
  return Collect(result, code, errors);
}

// What the Windows compiler refuses is refused with a line that says why; the near misses still compile.
TEST(D3DCompile, RefusesWhatTheWindowsCompilerRefuses) {
  struct Case {
    const char* Source;
    const char* Target;
    const char* Error;  // empty: compiles
  };
  const Case cases[] = {
      {"float4 main(float4 p : SV_Position) : SV_Target {\n float4 v = p; v.xx = float2(1, 2); return v; }", "ps_5_0",
       "rules.hlsl:2: error: l-value '.xx' names a component more than once"},
      {"float4 main(float4 p : SV_Position) : SV_Target { float4 v = p; v.yx = p.xx; v.x += v.xx == p.xy; return v; }",
       "ps_5_0", ""},
      {"float4 main() { return 1; }", "ps_5_0", "'main': function return value missing semantics"},
      {"cbuffer C { float a : packoffset(c0); float b; };\nfloat4 main() : SV_Target { return a + b; }", "ps_5_0",
       "rules.hlsl:1: error: cannot mix packoffset elements with nonpackoffset elements in a cbuffer"},
      {"cbuffer C { float2 a : packoffset(c0.w); };\nfloat4 main() : SV_Target { return a.xyxy; }", "ps_5_0",
       "packoffset of 'a' makes it cross a register boundary"},
      {"cbuffer C { float4 a : packoffset(c0); float b : packoffset(c0.y); };\nfloat4 main() : SV_Target { return a * b; }",
       "ps_5_0", "packoffset of 'b' overlaps another member"},
      {"cbuffer C { float4 a : packoffset(c1); float b : packoffset(c0.y); };\nfloat4 main() : SV_Target { return a * b; }",
       "ps_5_0", ""},
  };
  for (const Case& rule : cases) {
    const Compiled compiled = CompileMemory(rule.Source, rule.Target);
    if (*rule.Error == '\0') {
      EXPECT_EQ(compiled.Result, S_OK) << rule.Source << "\n" << compiled.Errors;
    } else {
      EXPECT_EQ(compiled.Result, E_FAIL) << rule.Source;
      EXPECT_THAT(compiled.Errors, HasSubstr(rule.Error)) << rule.Source;
    }
  }
}

// The text rewrites keep every line where it was (the error below is reported on its own line), leave
// comments alone, and reach included files too.
TEST_F(CompileFromFile, RewrittenSourcesKeepTheirLinesAndIncludesAreRewrittenToo) {
  Write("shared.hlsli", "unsigned int Twice(unsigned int v) { return v * 2; }\n"
                        "void Count(RWByteAddressBuffer b) { b.InterlockedAdd(0, 1); }\n");
  const std::wstring file = Write("lines.hlsl", R"(#include "shared.hlsli"
struct Base { float a; // a comment with { braces
  float b; };
struct Derived : Base
{ float c; };
sampler Linear = sampler_state {
  Filter = MIN_MAG_MIP_LINEAR; };
// v.xx = 1; unsigned int in a comment stays as written
RWByteAddressBuffer Counter : register(u0);
[numthreads(1, 1, 1)] void main() {
  float4 list[2] = {1, 2, 3,
                    4, 5, 6, 7, 8};
  Derived d; d.a = ldexp(list[1].x,
                         2.0);
  Count(Counter);
  Counter.Store(4, Twice(3) + (uint)d.a + missing);
}
)");
  const Compiled compiled = Compile(file, "cs_5_0");
  EXPECT_EQ(compiled.Result, E_FAIL);
  EXPECT_THAT(compiled.Errors, HasSubstr("lines.hlsl:16: error:"));
  EXPECT_THAT(compiled.Errors, HasSubstr("missing"));

  Write("lines.hlsl", "#include \"shared.hlsli\"\nRWByteAddressBuffer Counter : register(u0);\n"
                      "[numthreads(1, 1, 1)] void main() { Count(Counter); Counter.Store(4, Twice(3)); }\n");
  const Compiled fixed = Compile(file, "cs_5_0");
  EXPECT_EQ(fixed.Result, S_OK) << fixed.Errors;
  EXPECT_EQ(ValidationMessages(fixed.Words), "");

  // packoffset in an included file is kept, and refused there as in the file being compiled.
  Write("placed.hlsli", "cbuffer Placed { float4 First : packoffset(c2); float Second : packoffset(c0.y); };\n");
  Write("mixed.hlsli", "\ncbuffer Mixed { float4 First : packoffset(c2); float Second; };\n");
  const char* user = "#include \"%s\"\nfloat4 main() : SV_Target { return First * Second; }\n";
  char text[128];
  std::snprintf(text, sizeof(text), user, "placed.hlsli");
  const Compiled placed = Compile(Write("placed.hlsl", text), "ps_5_0");
  ASSERT_EQ(placed.Result, S_OK) << placed.Errors;
  std::snprintf(text, sizeof(text), user, "mixed.hlsli");
  EXPECT_THAT(Compile(Write("mixed.hlsl", text), "ps_5_0").Errors, HasSubstr("mixed.hlsli:2: error: cannot mix"));
  ID3D12ShaderReflection* reflection = nullptr;
  ASSERT_EQ(D3DReflect(placed.Words.data(), placed.Words.size() * 4, IID_PPV_ARGS(&reflection)), S_OK);
  D3D12_SHADER_VARIABLE_DESC first{};
  ASSERT_EQ(reflection->GetVariableByName("First")->GetDesc(&first), S_OK);
  EXPECT_EQ(first.StartOffset, 32u);
  reflection->Release();
}

// D3DReflect reports the offsets the packing rules gave, with the types as HLSL declares them.
TEST(D3DCompile, ReflectionReportsThePackedConstantBuffers) {
  const Compiled compiled = CompileMemory(R"(
struct Light { float3 Direction; float Power; };
cbuffer Scene : register(b2, space1) { float Time; float3 Tint; float Weights[3]; float After; float2x3 Basis;
                                      row_major float3x4 Pose; Light Sun; uint Count; };
float Global;
RWStructuredBuffer<float> Output : register(u1);
[numthreads(8, 4, 1)] void main(uint3 id : SV_DispatchThreadID) {
  Output[id.x] = Time + Tint.x + Weights[id.x % 3] + After + Basis[0].x + Pose[1].y + Sun.Power + Count + Global;
})",
                                          "cs_5_0");
  ASSERT_EQ(compiled.Result, S_OK) << compiled.Errors;
  EXPECT_EQ(ValidationMessages(compiled.Words), "");
  ID3D12ShaderReflection* reflection = nullptr;
  ASSERT_EQ(D3DReflect(compiled.Words.data(), compiled.Words.size() * 4, IID_PPV_ARGS(&reflection)), S_OK);
  D3D12_SHADER_DESC shader{};
  ASSERT_EQ(reflection->GetDesc(&shader), S_OK);
  EXPECT_EQ(shader.ConstantBuffers, 2u);
  EXPECT_EQ(shader.Version >> 16, UINT(D3D12_SHVER_COMPUTE_SHADER));
  UINT x = 0, y = 0, z = 0;
  EXPECT_EQ(reflection->GetThreadGroupSize(&x, &y, &z), 32u);
  EXPECT_EQ(y, 4u);

  ID3D12ShaderReflectionConstantBuffer* scene = reflection->GetConstantBufferByName("Scene");
  D3D12_SHADER_BUFFER_DESC buffer{};
  ASSERT_EQ(scene->GetDesc(&buffer), S_OK);
  EXPECT_EQ(buffer.Variables, 8u);
  EXPECT_EQ(buffer.Size, 192u);
  struct Expected {
    const char* Name;
    UINT Offset, Size;
    D3D_SHADER_VARIABLE_CLASS Class;
    UINT Rows, Columns, Elements, Members;
  };
  const Expected variables[] = {
      {"Time", 0, 4, D3D_SVC_SCALAR, 1, 1, 0, 0},          {"Tint", 4, 12, D3D_SVC_VECTOR, 1, 3, 0, 0},
      {"Weights", 16, 36, D3D_SVC_SCALAR, 1, 1, 3, 0},      {"After", 52, 4, D3D_SVC_SCALAR, 1, 1, 0, 0},
      {"Basis", 64, 40, D3D_SVC_MATRIX_COLUMNS, 2, 3, 0, 0}, {"Pose", 112, 48, D3D_SVC_MATRIX_ROWS, 3, 4, 0, 0},
      {"Sun", 160, 16, D3D_SVC_STRUCT, 1, 4, 0, 2},         {"Count", 176, 4, D3D_SVC_SCALAR, 1, 1, 0, 0},
  };
  for (const Expected& expected : variables) {
    ID3D12ShaderReflectionVariable* variable = scene->GetVariableByName(expected.Name);
    D3D12_SHADER_VARIABLE_DESC desc{};
    D3D12_SHADER_TYPE_DESC type{};
    ASSERT_EQ(variable->GetDesc(&desc), S_OK) << expected.Name;
    ASSERT_EQ(variable->GetType()->GetDesc(&type), S_OK) << expected.Name;
    EXPECT_EQ(desc.StartOffset, expected.Offset) << expected.Name;
    EXPECT_EQ(desc.Size, expected.Size) << expected.Name;
    EXPECT_EQ(type.Class, expected.Class) << expected.Name;
    EXPECT_EQ(type.Rows, expected.Rows) << expected.Name;
    EXPECT_EQ(type.Columns, expected.Columns) << expected.Name;
    EXPECT_EQ(type.Elements, expected.Elements) << expected.Name;
    EXPECT_EQ(type.Members, expected.Members) << expected.Name;
  }
  D3D12_SHADER_TYPE_DESC power{};
  ASSERT_EQ(scene->GetVariableByName("Sun")->GetType()->GetMemberTypeByName("Power")->GetDesc(&power), S_OK);
  EXPECT_EQ(power.Offset, 12u);
  D3D12_SHADER_VARIABLE_DESC missing{};
  EXPECT_EQ(scene->GetVariableByName("Missing")->GetDesc(&missing), E_FAIL);
  EXPECT_EQ(reflection->GetConstantBufferByIndex(5)->GetDesc(&buffer), E_FAIL);

  D3D12_SHADER_INPUT_BIND_DESC binding{};
  ASSERT_EQ(reflection->GetResourceBindingDescByName("Scene", &binding), S_OK);
  EXPECT_EQ(binding.Type, D3D_SIT_CBUFFER);
  EXPECT_EQ(binding.BindPoint, 2u);
  EXPECT_EQ(binding.Space, 1u);
  ASSERT_EQ(reflection->GetResourceBindingDescByName("Output", &binding), S_OK);
  EXPECT_EQ(binding.Type, D3D_SIT_UAV_RWSTRUCTURED);
  EXPECT_EQ(binding.BindPoint, 1u);
  ASSERT_EQ(reflection->GetResourceBindingDescByName("$Global", &binding), S_OK);
  reflection->Release();

  // Majority as declared: a typedef's modifier reaches variables and members declared with it, a modifier on
  // the declaration wins, and the pragma decides the rest.
  const Compiled majority = CompileMemory(R"(
#pragma pack_matrix(row_major)
typedef column_major float3x3 Basis;
struct Frame { Basis Axes; };
cbuffer Matrices { Basis FromTypedef; Frame InStruct; row_major Basis Overridden; float3x3 ByPragma; };
float4 main() : SV_Target { return FromTypedef[0].xyzz + InStruct.Axes[1].xyzz + Overridden[2].xyzz + ByPragma[0].xyzz; }
)",
                                          "ps_5_0");
  ASSERT_EQ(majority.Result, S_OK) << majority.Errors;
  ASSERT_EQ(D3DReflect(majority.Words.data(), majority.Words.size() * 4, IID_PPV_ARGS(&reflection)), S_OK);
  const std::pair<const char*, D3D_SHADER_VARIABLE_CLASS> classes[] = {
      {"FromTypedef", D3D_SVC_MATRIX_COLUMNS}, {"Overridden", D3D_SVC_MATRIX_ROWS}, {"ByPragma", D3D_SVC_MATRIX_ROWS}};
  for (const auto& [name, expected] : classes) {
    D3D12_SHADER_TYPE_DESC type{};
    ASSERT_EQ(reflection->GetVariableByName(name)->GetType()->GetDesc(&type), S_OK) << name;
    EXPECT_EQ(type.Class, expected) << name;
  }
  D3D12_SHADER_TYPE_DESC axes{};
  ASSERT_EQ(reflection->GetVariableByName("InStruct")->GetType()->GetMemberTypeByIndex(0)->GetDesc(&axes), S_OK);
  EXPECT_EQ(axes.Class, D3D_SVC_MATRIX_COLUMNS);
  reflection->Release();

  // A vertex shader's signatures: semantic names and indexes, registers, system values, types and masks.
  const Compiled vertex = CompileMemory(R"(
struct Out { float4 Position : SV_Position; float2 Uv : TEXCOORD1; nointerpolation uint Id : BLENDINDICES; };
Out main(float3 position : POSITION, int4 bones : BONES2, uint vertexId : SV_VertexID) {
  Out o; o.Position = float4(position + bones.xyz, 1); o.Uv = position.xy; o.Id = vertexId; return o;
})",
                                        "vs_5_0");
  ASSERT_EQ(vertex.Result, S_OK) << vertex.Errors;
  ASSERT_EQ(D3DReflect(vertex.Words.data(), vertex.Words.size() * 4, IID_PPV_ARGS(&reflection)), S_OK);
  ASSERT_EQ(reflection->GetDesc(&shader), S_OK);
  EXPECT_EQ(shader.InputParameters, 3u);
  EXPECT_EQ(shader.OutputParameters, 3u);
  struct Parameter {
    bool Input;
    UINT Index;
    const char* Name;
    UINT SemanticIndex;
    D3D_NAME SystemValue;
    D3D_REGISTER_COMPONENT_TYPE Type;
    BYTE Mask;
  };
  const Parameter parameters[] = {
      {true, 0, "POSITION", 0, D3D_NAME_UNDEFINED, D3D_REGISTER_COMPONENT_FLOAT32, 0x7},
      {true, 1, "BONES", 2, D3D_NAME_UNDEFINED, D3D_REGISTER_COMPONENT_SINT32, 0xF},
      {true, 2, "SV_VERTEXID", 0, D3D_NAME_VERTEX_ID, D3D_REGISTER_COMPONENT_UINT32, 0x1},
      {false, 0, "SV_POSITION", 0, D3D_NAME_POSITION, D3D_REGISTER_COMPONENT_FLOAT32, 0xF},
      {false, 1, "TEXCOORD", 1, D3D_NAME_UNDEFINED, D3D_REGISTER_COMPONENT_FLOAT32, 0x3},
      {false, 2, "BLENDINDICES", 0, D3D_NAME_UNDEFINED, D3D_REGISTER_COMPONENT_UINT32, 0x1},
  };
  for (const Parameter& expected : parameters) {
    D3D12_SIGNATURE_PARAMETER_DESC desc{};
    ASSERT_EQ(expected.Input ? reflection->GetInputParameterDesc(expected.Index, &desc)
                             : reflection->GetOutputParameterDesc(expected.Index, &desc),
              S_OK);
    EXPECT_STREQ(desc.SemanticName, expected.Name);
    EXPECT_EQ(desc.SemanticIndex, expected.SemanticIndex) << expected.Name;
    EXPECT_EQ(desc.SystemValueType, expected.SystemValue) << expected.Name;
    EXPECT_EQ(desc.ComponentType, expected.Type) << expected.Name;
    EXPECT_EQ(desc.Mask, expected.Mask) << expected.Name;
  }
  D3D12_SIGNATURE_PARAMETER_DESC past{};
  EXPECT_EQ(reflection->GetInputParameterDesc(3, &past), E_INVALIDARG);
  reflection->Release();

  ::testing::internal::CaptureStderr();
  const uint32_t notCode[8] = {};
  EXPECT_EQ(D3DReflect(notCode, sizeof(notCode), IID_PPV_ARGS(&reflection)), E_INVALIDARG);
  EXPECT_EQ(reflection, nullptr);
  std::vector<uint32_t> damaged = compiled.Words;  // a header, then instructions whose counts lie
  for (size_t word = 5; word < damaged.size(); word += 7) damaged[word] = 0x00020000u | (damaged[word] & 0xFFFF);
  EXPECT_EQ(D3DReflect(damaged.data(), damaged.size() * 4, IID_PPV_ARGS(&reflection)), E_INVALIDARG);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("D3DReflect: "));
}

// Shader model 4 compiles like 5 where the source keeps to what 4 has, and is refused where it does not.
TEST_F(CompileFromFile, ShaderModel4TargetsKeepTheirLimits) {
  const struct {
    const char* target;
    const char* source;
    const char* refusal;  // null when it compiles
  } cases[] = {
      {"vs_4_0", "float4 main(float4 p : POSITION) : SV_Position { return p; }", nullptr},
      {"vs_4_0_level_9_1", "float4 main(float4 p : POSITION) : SV_Position { return p; }", nullptr},
      {"ps_4_1", "float4 main() : SV_Target { return 1; }", nullptr},
      {"gs_4_0",
       "struct V { float4 p : SV_Position; };\n[maxvertexcount(1)] void main(point V i[1], inout PointStream<V> s) "
       "{ s.Append(i[0]); }",
       nullptr},
      {"cs_4_0", "RWStructuredBuffer<uint> o : register(u0);\n[numthreads(16, 16, 1)] void main(uint i : "
                 "SV_GroupIndex) { o[i] = i; }",
       nullptr},
      {"ps_4_1", "Texture2D t; SamplerState s;\nfloat4 main() : SV_Target { return t.Gather(s, 0.5); }", nullptr},
      {"ps_4_0", "Texture2D t; SamplerState s;\nfloat4 main() : SV_Target { return t.Gather(s, 0.5); }",
       "Gather needs shader model 4.1 or later, not ps_4_0"},
      {"ps_4_1", "Texture2D t; SamplerState s;\nfloat4 main() : SV_Target { return t.GatherGreen(s, 0.5); }",
       "ps_4_1 gathers only the first component"},
      {"ps_4_0", "TextureCubeArray t; SamplerState s;\nfloat4 main() : SV_Target { return t.Sample(s, 0.5); }",
       "TextureCubeArray needs shader model 4.1 or later"},
      {"ps_4_0", "RWTexture2D<float4> t : register(u1);\nfloat4 main() : SV_Target { t[uint2(0, 0)] = 1; return 1; }",
       "ps_4_0 has no unordered access views"},
      {"cs_4_1", "RWStructuredBuffer<uint> o;\n[numthreads(32, 32, 1)] void main(uint i : SV_GroupIndex) { o[i] = i; }",
       "numthreads(32, 32, 1) is beyond cs_4_1"},
      {"cs_4_0", "RWStructuredBuffer<uint> o;\n[numthreads(8, 8, 2)] void main(uint i : SV_GroupIndex) { o[i] = i; }",
       "numthreads(8, 8, 2) is beyond cs_4_0"},
      {"cs_4_0", "RWTexture2D<float> o;\n[numthreads(8, 8, 1)] void main(uint2 i : SV_DispatchThreadID) { o[i] = 1; }",
       "cs_4_0 has only raw and structured unordered access views"},
      {"cs_4_0",
       "RWByteAddressBuffer a; RWByteAddressBuffer b;\n[numthreads(1, 1, 1)] void main() { a.Store(0, b.Load(0)); }",
       "cs_4_0 allows one unordered access view (u0)"},
  };
  for (const auto& shader : cases) {
    SCOPED_TRACE(std::string(shader.target) + ": " + shader.source);
    const Compiled compiled = Compile(Write("sm4.hlsl", shader.source), shader.target);
    if (shader.refusal == nullptr) {
      EXPECT_EQ(compiled.Result, S_OK) << compiled.Errors;
      EXPECT_EQ(ValidationMessages(compiled.Words), "");
    } else {
      EXPECT_EQ(compiled.Result, E_FAIL);
      EXPECT_THAT(compiled.Errors, HasSubstr("sm4.hlsl: error: " + std::string(shader.refusal)));
    }
  }
}

TEST(D3DPreprocess, ExpandsMacrosAndIncludesIntoText) {
  const std::string source = "#include \"inner.hlsli\"\nfloat4 Value() { return SCALE * Inner(); }\n";
  const D3D_SHADER_MACRO defines[] = {{"SCALE", "3.5"}, {nullptr, nullptr}};
  MemoryInclude include;
  ID3DBlob* text = nullptr;
  ID3DBlob* errors = nullptr;
  HRESULT result = D3DPreprocess(source.data(), source.size(), "pre.hlsl", defines, &include, &text, &errors);
  const Compiled preprocessed = Collect(result, nullptr, errors);
  ASSERT_EQ(preprocessed.Result, S_OK) << preprocessed.Errors;
  ASSERT_NE(text, nullptr);
  const std::string expanded(static_cast<const char*>(text->GetBufferPointer()));
  text->Release();
  EXPECT_THAT(expanded, HasSubstr("3.5 * Inner()"));
  EXPECT_THAT(expanded, HasSubstr("float4 Inner()"));
  EXPECT_EQ(include.OpenCount, 0);

  const std::string missing = "#include \"absent.hlsli\"\n";
  result = D3DPreprocess(missing.data(), missing.size(), "pre.hlsl", nullptr, &include, &text, &errors);
  const Compiled refused = Collect(result, nullptr, errors);
  EXPECT_EQ(refused.Result, E_FAIL);
  EXPECT_EQ(text, nullptr);
  EXPECT_THAT(refused.Errors, HasSubstr("absent.hlsli"));
}

}  // namespace
