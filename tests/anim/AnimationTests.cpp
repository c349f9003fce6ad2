// Posing a model: animation time, the node walk, the skinning matrices and the palette.
#include "anim/Animation.h"
#include "anim/KeyInterpolation.h"
#include "content/AssimpConversions.h"
#include "content/ModelLoader.h"
#include "support/TestScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

using namespace test_scenes;

namespace {

constexpr float HalfSqrt2 = 0.70710678f;
const aiQuaternion QuarterTurnAboutZ(HalfSqrt2, 0, 0, HalfSqrt2);

// A timer whose previous frame was at `seconds`.
FrameTimer TimerAt(float seconds) {
  FrameTimer timer;
  timer.CounterPeriod = 1.0 / 1024.0;
  timer.StartCount = 0;
  timer.CurrentCount = static_cast<int64_t>(std::lround((seconds + 0.25) * 1024.0));
  timer.FrameDelta = 0.25;
  return timer;
}

Model Import(const aiScene& scene) {
  ModelLoader loader;
  Model model;
  loader.ReadScene(scene, "scene.fbx", model);
  return model;
}

// A skinning matrix applied to a point, both in Assimp's column-vector convention.
float3 Skin(const float4x4& m, float3 p) {
  return {m.m[0][0] * p.x + m.m[0][1] * p.y + m.m[0][2] * p.z + m.m[0][3],
          m.m[1][0] * p.x + m.m[1][1] * p.y + m.m[1][2] * p.z + m.m[1][3],
          m.m[2][0] * p.x + m.m[2][1] * p.y + m.m[2][2] * p.z + m.m[2][3]};
}

void ExpectNear(float3 actual, float3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

aiAnimation AnimationOf(double duration, double ticksPerSecond) {
  aiAnimation animation;
  animation.mDuration = duration;
  animation.mTicksPerSecond = ticksPerSecond;
  return animation;
}

}  // namespace

TEST(AnimationTime, PreviousFrameTimeInTicksLoopsWithTheDurationAndDefaultsTo25TicksPerSecond) {
  EXPECT_FLOAT_EQ(PreviousFrameSeconds(TimerAt(2.5f)), 2.5f);
  EXPECT_FLOAT_EQ(AnimationTicks(AnimationOf(50, 25), 2.5f), 12.5f);
  EXPECT_FLOAT_EQ(AnimationTicks(AnimationOf(50, 25), 4.5f), 12.5f);
  EXPECT_FLOAT_EQ(AnimationTicks(AnimationOf(1000, 0), 2.0f), 50.0f);
  EXPECT_FLOAT_EQ(AnimationTicks(AnimationOf(50, 25), -2.5f), -12.5f);  // fmod keeps the sign
  EXPECT_EQ(AnimationTicks(AnimationOf(0, 25), 3.0f), 0.0f);            // no NaN from a zero duration
}

// Upper at the origin, Lower one unit up; a vertex two units up follows Lower only. Upper turns a quarter
// about z from tick 0 to tick 10, Lower holds a quarter turn.
class TwoBoneChain : public testing::Test {
 protected:
  void SetUp() override {
    aiMesh* mesh = MakeMesh(1);
    AddBone(*mesh, "Upper", {}, aiMatrix4x4());
    AddBone(*mesh, "Lower", {{0, 1.0f}}, TranslationMatrix(0, -1, 0));
    aiNode* root = new aiNode("Root");
    aiNode* upper = AddChild(*root, "Upper");
    AddChild(*upper, "Lower", TranslationMatrix(0, 1, 0));
    scene = MakeScene({mesh}, root);
    AddAnimation(*scene, 20, 10,
                 {MakeChannel("Upper", {{0, {}}}, {{0, aiQuaternion()}, {10, QuarterTurnAboutZ}}, {{0, {1, 1, 1}}}),
                  MakeChannel("Lower", {{0, {0, 1, 0}}}, {{0, QuarterTurnAboutZ}}, {{0, {1, 1, 1}}})});
    model = Import(*scene);
  }

  std::unique_ptr<aiScene> scene;
  Model model;
  std::vector<float4x4> palette;
};

TEST_F(TwoBoneChain, PaletteMovesAVertexWithItsBoneAndTheBonesParent) {
  UpdateAnimation(model, TimerAt(0.0f), palette);
  ASSERT_EQ(palette.size(), 2u);
  ExpectNear(Skin(palette[1], {0, 2, 0}), {-1, 1, 0});

  UpdateAnimation(model, TimerAt(1.0f), palette);  // tick 10: Upper has turned too
  ExpectNear(Skin(palette[1], {0, 2, 0}), {-1, -1, 0});
  ExpectNear(Skin(palette[0], {0, 2, 0}), {-2, 0, 0});
}

TEST_F(TwoBoneChain, FirstFrameAddsAnEmptyChannelForEveryNodeWithoutOne) {
  EXPECT_EQ(model.ChannelByNode.size(), 2u);
  UpdateAnimation(model, TimerAt(0.0f), palette);
  ASSERT_EQ(model.ChannelByNode.size(), 3u);
  EXPECT_EQ(model.ChannelByNode.at("Root"), nullptr);
}

TEST_F(TwoBoneChain, ChannelLackingAKindOfKeyKeepsTheNodesOwnComponent) {
  aiNodeAnim& lower = *scene->mAnimations[0]->mChannels[1];
  delete[] lower.mPositionKeys;
  lower.mPositionKeys = nullptr;
  lower.mNumPositionKeys = 0;
  UpdateAnimation(model, TimerAt(0.0f), palette);
  // The node's own translation, one unit up, stands in for the missing position keys.
  ExpectNear(Skin(palette[1], {0, 2, 0}), {-1, 1, 0});
}

TEST_F(TwoBoneChain, WithoutAnimationsTheModelStandsInItsBindPose) {
  const std::unique_ptr<aiAnimation> removed(scene->mAnimations[0]);
  scene->mAnimations[0] = nullptr;
  scene->mNumAnimations = 0;
  model = Import(*scene);
  EXPECT_TRUE(model.ChannelByNode.empty());
  UpdateAnimation(model, TimerAt(0.5f), palette);
  ExpectNear(Skin(palette[1], {0, 2, 0}), {0, 2, 0});
}

TEST(Animation, ModelWithoutASceneGivesAnEmptyPalette) {
  std::vector<float4x4> palette(3);
  Model model;
  UpdateAnimation(model, TimerAt(1.0f), palette);
  EXPECT_TRUE(palette.empty());
}

// The walk as first described: recursion over the node tree, looking every node up by name each frame.
// Resolving the lookups once must not change a single bit of the palette.
namespace {

void ReferenceAnimateNode(Model& model, float t, const aiNode& node, const float4x4& parent) {
  const std::string name = node.mName.C_Str();
  float4x4 local = FromAssimp(node.mTransformation);
  if (const aiNodeAnim* c = model.ChannelByNode[name]) {
    const float3 s = InterpolateVector(t, c->mNumScalingKeys, c->mScalingKeys);
    const aiQuaternion q = InterpolateRotation(t, *c);
    const float3 p = InterpolateVector(t, c->mNumPositionKeys, c->mPositionKeys);
    local = Transpose(Multiply(Multiply(Scaling(s), RotationQuaternion({q.x, q.y, q.z, q.w})), Translation(p)));
  }
  const float4x4 global = Multiply(parent, local);
  if (const auto bone = model.BoneIndexByName.find(name); bone != model.BoneIndexByName.end()) {
    BoneInfo& info = model.BoneInfos[bone->second];
    info.SkinMatrix = Multiply(Multiply(model.InverseRootTransform, global), info.OffsetMatrix);
  }
  for (unsigned int i = 0; i < node.mNumChildren; ++i) {
    ReferenceAnimateNode(model, t, *node.mChildren[i], global);
  }
}

std::vector<float4x4> ReferencePalette(Model model, const FrameTimer& timer) {
  const float t = AnimationTicks(*model.Scene->mAnimations[0], PreviousFrameSeconds(timer));
  ReferenceAnimateNode(model, t, *model.Scene->mRootNode, Identity());
  std::vector<float4x4> palette;
  for (const BoneInfo& bone : model.BoneInfos) {
    palette.push_back(bone.SkinMatrix);
  }
  return palette;
}

aiQuaternion Turn(float x, float y, float z, float angle) { return aiQuaternion(aiVector3D(x, y, z), angle); }

}  // namespace

TEST(Animation, ResolvedWalkGivesTheByNameWalksPaletteBitForBit) {
  // A spine with two arms; "Hand" appears under both arms (the later one visited wins the bone), "Twist"
  // has no channel, and the root has a transformation of its own.
  aiNode* root = new aiNode("Root");
  root->mTransformation = TranslationMatrix(0.5f, -1.5f, 0.25f);
  aiNode* spine = AddChild(*root, "Spine", TranslationMatrix(0, 1, 0));
  for (const char* arm : {"LeftArm", "RightArm"}) {
    aiNode* twist = AddChild(*AddChild(*spine, arm, TranslationMatrix(0.3f, 0.2f, 0)), "Twist",
                             aiMatrix4x4(Turn(1, 0, 0, 0.3f).GetMatrix()));
    AddChild(*twist, "Hand", TranslationMatrix(0, -0.4f, 0.1f));
  }
  aiMesh* mesh = MakeMesh(1);
  for (const char* bone : {"Spine", "LeftArm", "RightArm", "Twist", "Hand"}) {
    AddBone(*mesh, bone, {{0, 0.2f}}, TranslationMatrix(0.1f, -0.7f, 0.2f));
  }
  auto scene = MakeScene({mesh}, root);
  AddAnimation(*scene, 40, 24,
               {MakeChannel("Spine", {{0, {0, 1, 0}}, {13, {0, 1.1f, 0.2f}}, {40, {0, 1, 0}}},
                            {{0, Turn(0, 1, 0, 0.1f)}, {20, Turn(0, 1, 0, -0.4f)}, {33, Turn(1, 1, 0, 0.2f)}},
                            {{0, {1, 1, 1}}, {30, {1.1f, 0.9f, 1}}}),
                MakeChannel("LeftArm", {{0, {0.3f, 0.2f, 0}}}, {{0, Turn(0, 0, 1, 1.2f)}, {25, Turn(0, 0, 1, -0.9f)}},
                            {{0, {1, 1, 1}}}),
                MakeChannel("Hand", {{5, {0, -0.4f, 0.1f}}, {35, {0.1f, -0.5f, 0}}},
                            {{0, Turn(1, 0, 0, 0)}, {17, Turn(0, 1, 1, 2.5f)}}, {{0, {1, 1, 1}}})});
  Model model = Import(*scene);

  std::vector<float4x4> palette;
  for (float seconds : {0.0f, 0.37f, 1.0f, 1.61f, 2.9f}) {
    const FrameTimer timer = TimerAt(seconds);
    const std::vector<float4x4> expected = ReferencePalette(model, timer);
    UpdateAnimation(model, timer, palette);
    ASSERT_EQ(palette.size(), expected.size());
    EXPECT_EQ(std::memcmp(palette.data(), expected.data(), palette.size() * sizeof(float4x4)), 0)
        << "at " << seconds << " s";
  }
}
