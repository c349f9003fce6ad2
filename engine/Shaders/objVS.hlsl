// Meshes: a vertex from model space to clip space, first posed by the skeleton, blending up to four bone
// matrices by its weights. A vertex without weights (every vertex of a rigid mesh) stays as it is, so one
// shader draws rigid and skinned meshes alike; it is compiled with and without SKINNED, to the same code.
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
};

struct PosedVertex
{
    float3 Position;
    float3 Normal;
};

// Bone indices travel as floats: rounded, and kept inside the palette whatever the file said.
float4x4 Bone(float index)
{
    return Bones[min((uint)(index + 0.5f), (uint)(MAX_BONES - 1))];
}

PosedVertex Pose(ModelVertex vertex)
{
    PosedVertex posed;
    posed.Position = float3(0.0f, 0.0f, 0.0f);
    posed.Normal = float3(0.0f, 0.0f, 0.0f);
    [unroll]
    for (int i = 0; i < 4; ++i)
    {
        float4x4 bone = Bone(vertex.BoneIndices[i]);
        posed.Position += vertex.Weights[i] * mul(bone, float4(vertex.Position, 1.0f)).xyz;
        posed.Normal += vertex.Weights[i] * mul((float3x3)bone, vertex.Normal);
    }
    // A vertex no bone holds stays where the model put it, rather than collapsing to the origin.
    float totalWeight = dot(vertex.Weights, float4(1.0f, 1.0f, 1.0f, 1.0f));
    if (totalWeight <= 0.0f)
    {
        posed.Position = vertex.Position;
        posed.Normal = vertex.Normal;
    }
    return posed;
}

ShadedVertex main(ModelVertex vertex)
{
    PosedVertex posed = Pose(vertex);
    float4 positionW = mul(World, float4(posed.Position, 1.0f));

    ShadedVertex output;
    output.Position = mul(ViewProj, positionW);
    // World matrices only turn and move the model, so the normal needs no inverse transpose.
    output.NormalW = mul((float3x3)World, posed.Normal);
    output.TexCoord = vertex.TexCoord;
    return output;
}
