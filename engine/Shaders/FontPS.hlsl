// Text: the record's colour, made as opaque as the atlas is covered at this point. The atlas holds
// white glyphs whose alpha is their coverage, and an opaque block that the label background samples, so
// characters come out crisp in their colour and the background keeps its own translucency.

Texture2D Atlas : register(t0);
SamplerState AtlasSampler : register(s0);

struct GlyphVertex
{
    float4 Position : SV_POSITION;
    float2 TexCoord : TEXCOORD;
    float4 Color : COLOR;
};

float4 main(GlyphVertex input) : SV_TARGET
{
    float coverage = Atlas.Sample(AtlasSampler, input.TexCoord).a;
    return float4(input.Color.rgb, input.Color.a * coverage);
}
