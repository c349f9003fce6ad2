// Viewer mode's meshes: posed by the skeleton like the character's, and carrying the vertex colour to the
// pixel shader. The morph targets are applied on the CPU before the vertices arrive here.
//
// Every matrix arrives as a column-vector matrix stored row by row, hence row_major and mul(matrix, v).

cbuffer PassConstants : register(b0)
{
    row_major float4x4 View;
    row_major float4x4 Proj;
    row_major float4x4 ViewProj;
    float3 EyePosW;
};

cbuffer ObjectConstants : register(b1)
{
    row_major float4x4 World;
};

#define MAX_BONES 96

cbuffer BonePalette : register(b2)
{
    row_major float4x4 Bones[MAX_BONES];
};

struct ModelVertex
{
    float3 Position : POSITION;
    float2 TexCoord : TEXCOORD;
    float3 Normal : NORMAL;
    float4 Color : COLOR;
    float4 Weights : WEIGHTS;
    float4 BoneIndices : BONEINDICES;
};

// The pixel shader declares the same members in the same order.
struct ShadedVertex
{
    float4 Position : SV_POSITION;
    float3 NormalW : NORMAL;
    float2 TexCoord : TEXCOORD;
    float4 Color : COLOR;
};

float4x4 Bone(float index)
{
    return Bones[min((uint)(index + 0.5f), (uint)(MAX_BONES - 1))];
}

ShadedVertex main(ModelVertex vertex)
{
    float3 position = float3(0.0f, 0.0f, 0.0f);
    float3 normal = float3(0.0f, 0.0f, 0.0f);
    [unroll]
    for (int i = 0; i < 4; ++i)
    {
        float4x4 bone = Bone(vertex.BoneIndices[i]);
        position += vertex.Weights[i] * mul(bone, float4(vertex.Position, 1.0f)).xyz;
        normal += vertex.Weights[i] * mul((float3x3)bone, vertex.Normal);
    }
    // A vertex no bone holds stays where the model put it.
    if (dot(vertex.Weights, float4(1.0f, 1.0f, 1.0f, 1.0f)) <= 0.0f)
    {
        position = vertex.Position;
        normal = vertex.Normal;
    }
    float4 positionW = mul(World, float4(position, 1.0f));

    ShadedVertex output;
    output.Position = mul(ViewProj, positionW);
    output.NormalW = mul((float3x3)World, normal);
    output.TexCoord = vertex.TexCoord;
    output.Color = vertex.Color;
    return output;
}
