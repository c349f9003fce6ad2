// The sample's shaders: a triangle with its colour per vertex.
#ifdef SAMPLE_COLOUR_FROM_INCLUDE
#include "SampleColour.hlsli"
#endif

struct PSInput {
  float4 position : SV_POSITION;
  float4 color : COLOR;
};

PSInput VSMain(float4 position : POSITION, float4 color : COLOR) {
  PSInput result;
  result.position = position;
  result.color = color;
  return result;
}

float4 PSMain(PSInput input) : SV_TARGET {
#ifdef SAMPLE_COLOUR_FROM_INCLUDE
  return SampleColour(input.color);
#else
  return input.color;
#endif
}
