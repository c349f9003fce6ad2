#include "FrameScene.h"

#include <windows.h>

#include <d3dcompiler.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace frame_bench {

Mesh MakeMesh() {
  // 8 x 8 quads, 128 triangles, about a tenth of the screen.
  constexpr int kCells = 8;
  constexpr float kSize = 0.25f;
  Mesh mesh;
  for (int y = 0; y <= kCells; ++y) {
    for (int x = 0; x <= kCells; ++x) {
      const float u = float(x) / kCells;
      const float v = float(y) / kCells;
      mesh.vertices.push_back({{u * kSize, -v * kSize, 0.5f}, {u, v}});
    }
  }
  for (int y = 0; y < kCells; ++y) {
    for (int x = 0; x < kCells; ++x) {
      const uint16_t topLeft = uint16_t(y * (kCells + 1) + x);
      const uint16_t bottomLeft = uint16_t(topLeft + kCells + 1);
      // Clockwise on screen, so back-face culling keeps them.
      mesh.indices.insert(mesh.indices.end(), {topLeft, uint16_t(topLeft + 1), bottomLeft, uint16_t(topLeft + 1),
                                               uint16_t(bottomLeft + 1), bottomLeft});
    }
  }
  return mesh;
}

std::vector<GlyphInstance> MakeGlyphs() {
  std::vector<GlyphInstance> glyphs;
  glyphs.push_back({{0.25f, 1.0f, 0.5f, 0.25f}, {0, 0, 0.9f, 0.9f}, {0.4f, 0.9f, 0.4f, 1.0f}});
  for (uint32_t i = 1; i < kGlyphCount; ++i) {
    const float x = 0.25f + 0.012f * float(i);
    glyphs.push_back({{x, 0.98f, 0.01f, 0.03f}, {0.1f, 0.1f, 0.05f, 0.05f}, {0.2f, 0.2f, 0.7f, 1.0f}});
  }
  return glyphs;
}

std::vector<uint32_t> MakeTexture() {
  std::vector<uint32_t> texels(kTextureSize * kTextureSize);
  for (uint32_t y = 0; y < kTextureSize; ++y) {
    for (uint32_t x = 0; x < kTextureSize; ++x) {
      texels[y * kTextureSize + x] = ((x / 8 + y / 8) % 2) != 0 ? 0xFFFFFFFFu : 0xFF808080u;
    }
  }
  return texels;
}

std::vector<uint8_t> MakeConstants(uint32_t drawCount) {
  std::vector<uint8_t> bytes((drawCount + 2) * kConstantSlot, 0);
  const float tint[4] = {1.0f, 0.9f, 0.8f, 1.0f};
  std::memcpy(bytes.data(), tint, sizeof(tint));
  for (uint32_t i = 0; i < drawCount; ++i) {
    // A row-vector translation, stored transposed as the engine stores its matrices.
    const float x = -0.95f + 0.19f * float(i % 10);
    const float y = 0.7f - 0.17f * float((i / 10) % 10);
    const float world[16] = {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, 0, 0, 0, 0, 1};
    std::memcpy(&bytes[(1 + i) * kConstantSlot], world, sizeof(world));
  }
  const float factor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  std::memcpy(&bytes[(drawCount + 1) * kConstantSlot], factor, sizeof(factor));
  return bytes;
}

const char* const kTextVertexShader = R"(
struct Instance { float4 rect : POSITION; float4 uv : TEXCOORD; float4 color : COLOR; };
struct VertexOut { float4 position : SV_Position; float2 uv : TEXCOORD; float4 color : COLOR; };
VertexOut main(Instance instance, uint id : SV_VertexID) {
  float2 corner = float2(id & 1, id >> 1);
  VertexOut output;
  output.position = float4(instance.rect.x + corner.x * instance.rect.z, instance.rect.y - corner.y * instance.rect.w, 0, 1);
  output.uv = instance.uv.xy + corner * instance.uv.zw;
  output.color = instance.color;
  return output;
})";

const char* const kTextPixelShader = R"(
Texture2D Atlas : register(t0);
SamplerState Linear : register(s0);
float4 main(float4 position : SV_Position, float2 uv : TEXCOORD, float4 color : COLOR) : SV_Target {
  return float4(color.rgb, color.a * Atlas.Sample(Linear, uv).r);
})";

const char* const kObjectVertexShader = R"(
cbuffer Object : register(b1) { float4x4 World; };
struct VertexIn { float3 position : POSITION; float2 uv : TEXCOORD; };
struct VertexOut { float4 position : SV_Position; float2 uv : TEXCOORD; };
VertexOut main(VertexIn input) {
  VertexOut output;
  output.position = mul(float4(input.position, 1), World);
  output.uv = input.uv;
  return output;
})";

const char* const kObjectPixelShader = R"(
cbuffer Pass : register(b0) { float4 Tint; };
cbuffer Bones : register(b2) { float4 Factor; };
Texture2D Diffuse : register(t0);
SamplerState Linear : register(s0);
float4 main(float4 position : SV_Position, float2 uv : TEXCOORD) : SV_Target {
  return Tint * Factor * Diffuse.Sample(Linear, uv);
})";

std::vector<uint32_t> CompileShader(const char* source, const char* target) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / (std::string("frame_bench_") + target + ".hlsl");
  std::ofstream(path) << source;
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result = D3DCompileFromFile(path.wstring().c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main",
                                            target, 0, 0, &code, &errors);
  std::filesystem::remove(path);
  std::vector<uint32_t> words;
  if (SUCCEEDED(result)) {
    const auto* begin = static_cast<const uint32_t*>(code->GetBufferPointer());
    words.assign(begin, begin + code->GetBufferSize() / 4);
  } else if (errors != nullptr) {
    std::fprintf(stderr, "%s\n", static_cast<const char*>(errors->GetBufferPointer()));
  }
  if (code != nullptr) code->Release();
  if (errors != nullptr) errors->Release();
  return words;
}

}  // namespace frame_bench
