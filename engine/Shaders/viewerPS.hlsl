// Viewer mode's meshes: the material's texture times its colour factor and the vertex colour, under the
// character's light. Masked materials drop what is below their cutoff; blended ones hand their alpha to
// the blend state. A back face (only drawn for a double-sided material) is lit from its own side.

Texture2D ModelTexture : register(t0);
SamplerState MaterialSampler : register(s0);

cbuffer MaterialConstants : register(b3)
{
    float4 BaseColourFactor;
    float AlphaCutoff;  // below 0 for materials that drop nothing
    float Blended;      // 1 to write the alpha, 0 for opaque output
};

static const float3 LightDirection = normalize(float3(0.35f, -0.55f, 0.75f));
static const float Ambient = 0.35f;

struct ShadedVertex
{
    float4 Position : SV_POSITION;
    float3 NormalW : NORMAL;
    float2 TexCoord : TEXCOORD;
    float4 Color : COLOR;
};

float4 main(ShadedVertex input, bool frontFace : SV_IsFrontFace) : SV_TARGET
{
    float3 normal = normalize(input.NormalW);
    if (!frontFace)
    {
        normal = -normal;
    }
    float diffuse = saturate(dot(normal, -LightDirection));
    float4 albedo = ModelTexture.Sample(MaterialSampler, input.TexCoord) * BaseColourFactor * input.Color;
    clip(albedo.a - AlphaCutoff);
    return float4(albedo.rgb * (Ambient + (1.0f - Ambient) * diffuse), Blended > 0.5f ? albedo.a : 1.0f);
}
