// The frame both renderers of the benchmark draw, like the engine's: an 800 x 600 target cleared with its
// depth buffer, one instanced draw of text quads (blended, no depth test), then N indexed draws of a small
// textured mesh, each with its own object constants, and an off-screen present.
#pragma once

#include <cstdint>
#include <vector>

namespace frame_bench {

constexpr uint32_t kWidth = 800;
constexpr uint32_t kHeight = 600;
constexpr uint32_t kGlyphCount = 40;
constexpr uint32_t kTextureSize = 64;
constexpr uint32_t kConstantSlot = 256;

struct MeshVertex {
  float position[3];
  float uv[2];
};

struct GlyphInstance {
  float rect[4];
  float uv[4];
  float color[4];
};

struct Mesh {
  std::vector<MeshVertex> vertices;
  std::vector<uint16_t> indices;
};

// A small grid; each draw places it elsewhere through its object constants.
Mesh MakeMesh();
std::vector<GlyphInstance> MakeGlyphs();
std::vector<uint32_t> MakeTexture();

// Constant buffer contents, one 256-byte slot each: pass constants, then `drawCount` object slots, then the
// bone factor. Both renderers bind slot 0 as b0, slot 1 + i as b1 of draw i, the last one as b2.
std::vector<uint8_t> MakeConstants(uint32_t drawCount);

// HLSL of the two pipelines. Inputs are declared in location order, which the Vulkan reference relies on.
extern const char* const kTextVertexShader;
extern const char* const kTextPixelShader;
extern const char* const kObjectVertexShader;
extern const char* const kObjectPixelShader;

// SPIR-V from the platform's D3DCompileFromFile (entry point "main"); empty on failure.
std::vector<uint32_t> CompileShader(const char* source, const char* target);

}  // namespace frame_bench
