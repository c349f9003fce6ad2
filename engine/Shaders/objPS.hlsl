// Meshes: the model texture under one directional light, with enough ambient light that the side turned
// away keeps its colours. The same for the rigid and the skinned pipeline.

Texture2D ModelTexture : register(t0);
SamplerState ModelSampler : register(s0);

// The direction the light travels in world space: from above, to the left of and in front of the model,
// where the camera starts, so the shape reads from the first frame.
static const float3 LightDirection = normalize(float3(0.35f, -0.55f, 0.75f));
static const float Ambient = 0.35f;

// The same members in the same order as the vertex shader's output.
struct ShadedVertex
{
    float4 Position : SV_POSITION;
    float3 NormalW : NORMAL;
    float2 TexCoord : TEXCOORD;
};

float4 main(ShadedVertex input) : SV_TARGET
{
    float3 normal = normalize(input.NormalW);
    float diffuse = saturate(dot(normal, -LightDirection));
    float3 albedo = ModelTexture.Sample(ModelSampler, input.TexCoord).rgb;
    return float4(albedo * (Ambient + (1.0f - Ambient) * diffuse), 1.0f);
}
