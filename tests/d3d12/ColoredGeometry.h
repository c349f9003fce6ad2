// The position-and-colour vertex, its input layout and the pass-through shaders that the draw tests share, so
// that every suite drawing coloured shapes feeds the pipeline the same way.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <vector>

struct ColoredVertex {
  float position[3];
  float color[4];
};

inline const char* const kColorVS = R"(
struct VertexIn { float3 position : POSITION; float4 color : COLOR; };
struct VertexOut { float4 position : SV_Position; float4 color : COLOR; };
VertexOut main(VertexIn input) {
  VertexOut output;
  output.position = float4(input.position, 1.0);
  output.color = input.color;
  return output;
})";

inline const char* const kColorPS = R"(
float4 main(float4 position : SV_Position, float4 color : COLOR) : SV_Target { return color; })";

// Position only, for shapes whose pixel shader writes one colour.
inline const char* const kPositionVS = R"(
float4 main(float3 position : POSITION) : SV_Position { return float4(position, 1.0); })";

inline const std::vector<D3D12_INPUT_ELEMENT_DESC> kColorLayout = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
    {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
