// Fills the image with a gradient: red follows x, green follows y, blue the frame's constant.
RWTexture2D<float4> Image : register(u0);
cbuffer FrameConstants : register(b0) { uint Blue; };

[numthreads(8, 8, 1)]
void CSMain(uint3 id : SV_DispatchThreadID) {
  Image[id.xy] = float4((id.x * 2) / 255.0, (id.y * 2) / 255.0, Blue / 255.0, 1.0);
}
