// Text: each instance is one screen quad, a label's background or one character, expanded here into a
// four-vertex triangle strip. The quad and its atlas rectangle arrive as left, top, width, height; the
// quad in clip space (y up, so the bottom edge is top - height), the atlas rectangle in normalised
// texture coordinates (v down).

struct GlyphRecord
{
    float4 Position : POSITION;
    float4 TexCoord : TEXCOORD;
    float4 Color : COLOR;
};

struct GlyphVertex
{
    float4 Position : SV_POSITION;
    float2 TexCoord : TEXCOORD;
    float4 Color : COLOR;
};

GlyphVertex main(GlyphRecord record, uint vertexId : SV_VertexID)
{
    // Strip order top-left, top-right, bottom-left, bottom-right: both triangles wind clockwise, the
    // front-facing order of the pipeline, so back-face culling keeps them.
    float2 corner = float2(vertexId & 1, vertexId >> 1);

    GlyphVertex output;
    output.Position = float4(record.Position.x + corner.x * record.Position.z,
                             record.Position.y - corner.y * record.Position.w,
                             0.0f, 1.0f);
    output.TexCoord = record.TexCoord.xy + corner * record.TexCoord.zw;
    output.Color = record.Color;
    return output;
}
