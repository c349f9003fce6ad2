// What the viewer reads from a model beyond its geometry: each material's look (factor, sides, alpha,
// wrap modes) and the constants it hands the pixel shader, and morph targets weighted and animated.
#include "content/ModelLoader.h"
#include "support/TestScenes.h"
#include "viewer/MorphTargets.h"
#include "viewer/ViewerMaterials.h"
#include "viewer/ViewerPipelines.h"

#include <assimp/GltfMaterial.h>
#include <assimp/anim.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

using namespace test_scenes;

namespace {

void AddTexture(aiMaterial& material, int mappingU, int mappingV) {
  const aiString file("wood.png");
  material.AddProperty(&file, AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0));
  material.AddProperty(&mappingU, 1, AI_MATKEY_MAPPINGMODE_U(aiTextureType_DIFFUSE, 0));
  material.AddProperty(&mappingV, 1, AI_MATKEY_MAPPINGMODE_V(aiTextureType_DIFFUSE, 0));
}

void AddAlphaMode(aiMaterial& material, const char* mode) {
  const aiString text(mode);
  material.AddProperty(&text, AI_MATKEY_GLTF_ALPHAMODE);
}

}  // namespace

TEST(ViewerMaterials, LooksAndShaderConstantsFollowTheMaterialsSettings) {
  // A texture with a colour: the colour multiplies it, and each direction keeps its own wrap mode.
  aiMaterial textured;
  AddTexture(textured, aiTextureMapMode_Clamp, aiTextureMapMode_Mirror);
  const aiColor4D green(0.0f, 1.0f, 0.0f, 0.5f);
  textured.AddProperty(&green, 1, AI_MATKEY_BASE_COLOR);
  MaterialLook look = ReadMaterialLook(textured);
  EXPECT_EQ(look.BaseColourFactor.y, 1.0f);
  EXPECT_EQ(look.BaseColourFactor.x, 0.0f);
  EXPECT_EQ(look.BaseColourFactor.w, 0.5f);
  EXPECT_EQ(look.WrapU, D3D12_TEXTURE_ADDRESS_MODE_CLAMP);
  EXPECT_EQ(look.WrapV, D3D12_TEXTURE_ADDRESS_MODE_MIRROR);
  EXPECT_EQ(SamplerIndex(look), 5u);  // U clamp (row 1) and V mirror (column 2) of the 3 x 3 table
  EXPECT_EQ(look.Alpha, AlphaMode::Opaque);
  EXPECT_FALSE(look.DoubleSided);

  // Without a texture the colour is the material's 1 x 1 image already: no factor on top of it.
  aiMaterial plain;
  const aiColor4D red(1.0f, 0.0f, 0.0f, 1.0f);
  plain.AddProperty(&red, 1, AI_MATKEY_COLOR_DIFFUSE);
  const int twoSided = 1;
  plain.AddProperty(&twoSided, 1, AI_MATKEY_TWOSIDED);
  look = ReadMaterialLook(plain);
  EXPECT_EQ(look.BaseColourFactor.y, 1.0f);
  EXPECT_TRUE(look.DoubleSided);
  EXPECT_EQ(SamplerIndex(look), 0u);

  struct AlphaCase {
    const char* Mode;  // glTF's, or null for a format that only gives an opacity
    float Opacity;
    AlphaMode Expected;
    float Cutoff;   // in the shader's constants
    float Blended;  // in the shader's constants
  };
  const AlphaCase cases[] = {
      {"MASK", 1.0f, AlphaMode::Mask, 0.3f, 0.0f},      {"BLEND", 1.0f, AlphaMode::Blend, -1.0f, 1.0f},
      {"OPAQUE", 0.4f, AlphaMode::Opaque, -1.0f, 0.0f}, {nullptr, 0.4f, AlphaMode::Blend, -1.0f, 1.0f},
      {nullptr, 1.0f, AlphaMode::Opaque, -1.0f, 0.0f},
  };
  for (const AlphaCase& c : cases) {
    aiMaterial material;
    if (c.Mode != nullptr) {
      AddAlphaMode(material, c.Mode);
      const float cutoff = 0.3f;
      material.AddProperty(&cutoff, 1, AI_MATKEY_GLTF_ALPHACUTOFF);
    }
    material.AddProperty(&c.Opacity, 1, AI_MATKEY_OPACITY);
    const MaterialLook alpha = ReadMaterialLook(material);
    const MaterialConstants constants = ConstantsOf(alpha);
    const std::string name = c.Mode != nullptr ? c.Mode : "opacity only";
    EXPECT_EQ(alpha.Alpha, c.Expected) << name;
    EXPECT_FLOAT_EQ(constants.AlphaCutoff, c.Cutoff) << name;
    EXPECT_EQ(constants.Blended, c.Blended) << name;
    // Another format's opacity scales the alpha; glTF's own mode decides alone.
    EXPECT_FLOAT_EQ(constants.BaseColourFactor[3], c.Mode == nullptr ? c.Opacity : 1.0f) << name;
  }
}

TEST(MorphTargets, TheFilesWeightsAndTheirAnimationDeformTheMeshAndWidenItsBox) {
  aiMesh* mesh = MakeMesh(3, RepeatedFaces(1));  // positions (0,0,0), (1,2,3), (2,4,6)
  mesh->mName = aiString("Blob");
  // Targets hold whole positions: the first lifts every vertex by 10 in y, the second moves it 4 in x.
  mesh->mNumAnimMeshes = 2;
  mesh->mAnimMeshes = new aiAnimMesh*[2];
  for (unsigned int t = 0; t < 2; ++t) {
    auto* target = new aiAnimMesh();
    target->mNumVertices = 3;
    target->mVertices = new aiVector3D[3];
    for (unsigned int j = 0; j < 3; ++j) {
      target->mVertices[j] = mesh->mVertices[j] + (t == 0 ? aiVector3D(0, 10, 0) : aiVector3D(4, 0, 0));
    }
    target->mWeight = t == 0 ? 0.5f : 0.0f;
    mesh->mAnimMeshes[t] = target;
  }
  auto scene = MakeScene({mesh});
  AddAnimation(*scene, 10.0, 1.0, {});
  auto* channel = new aiMeshMorphAnim();
  channel->mName = aiString("Blob");
  channel->mNumKeys = 2;
  channel->mKeys = new aiMeshMorphKey[2];
  // The second target's weight goes from 0 at tick 0 to 1 at tick 10.
  for (unsigned int k = 0; k < 2; ++k) {
    channel->mKeys[k].mTime = 10.0 * k;
    channel->mKeys[k].mNumValuesAndWeights = 1;
    channel->mKeys[k].mValues = new unsigned int[1]{1};
    channel->mKeys[k].mWeights = new double[1]{k == 0 ? 0.0 : 1.0};
  }
  aiAnimation& animation = *scene->mAnimations[0];
  animation.mNumMorphMeshChannels = 1;
  animation.mMorphMeshChannels = new aiMeshMorphAnim* [1] { channel };

  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, "blob.glb", model);
  MorphTargets morphs;
  morphs.Prepare(model, arrays.Vertices);
  ASSERT_FALSE(morphs.Empty());

  // Without an animation the mesh keeps its own weights: half of the first target.
  morphs.Update(nullptr, 0.0f);
  EXPECT_FLOAT_EQ(morphs.Vertices()[1].Position[1], 2.0f + 5.0f);
  EXPECT_FLOAT_EQ(morphs.Vertices()[1].Position[0], 1.0f);
  // Halfway between the keys the channel gives the second target half its weight and the first none.
  morphs.Update(&animation, 5.0f);
  EXPECT_FLOAT_EQ(morphs.Vertices()[1].Position[1], 2.0f);
  EXPECT_FLOAT_EQ(morphs.Vertices()[1].Position[0], 1.0f + 2.0f);
  // Past the last key it holds.
  std::vector<float> weights(2, 0.0f);
  SampleMorphWeights(*channel, 25.0f, weights);
  EXPECT_EQ(weights, (std::vector<float>{0.0f, 1.0f}));

  // The framing's box takes in the mesh's own deformation and every key's.
  morphs.WidenBounds(model, &animation);
  EXPECT_FLOAT_EQ(model.BindBounds.Max.y, 4.0f + 5.0f);
  EXPECT_FLOAT_EQ(model.BindBounds.Max.x, 2.0f + 4.0f);
}
