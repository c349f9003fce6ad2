// The character asset posed by the engine's own import and animation, skinned the way the vertex shader
// skins it: it must stand about three units tall around the origin, face the camera and move between
// two times.
#include "anim/Animation.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"

#include <assimp/cimport.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

namespace {

struct Box {
  float3 Low = {1e30f, 1e30f, 1e30f};
  float3 High = {-1e30f, -1e30f, -1e30f};
};

float3 SkinnedPosition(const SkinnedVertex& v, const std::vector<float4x4>& palette) {
  float p[3] = {};
  for (int slot = 0; slot < 4; ++slot) {
    const float4x4& m = palette.at(static_cast<size_t>(v.BoneIndices[slot]));
    for (int row = 0; row < 3; ++row) {
      p[row] += v.Weights[slot] *
                (m.m[row][0] * v.Position[0] + m.m[row][1] * v.Position[1] + m.m[row][2] * v.Position[2] + m.m[row][3]);
    }
  }
  return {p[0], p[1], p[2]};
}

std::vector<float3> Pose(Model& model, const ModelArrays& arrays, float seconds) {
  std::vector<float4x4> palette;
  UpdateAnimation(model, TimerAtPreviousFrame(seconds), palette);
  std::vector<float3> posed;
  for (const SkinnedVertex& v : arrays.Vertices) {
    posed.push_back(SkinnedPosition(v, palette));
  }
  return posed;
}

// The mean posed position of the vertices whose strongest bone is the named one.
float3 CentreOfBone(const Model& model, const ModelArrays& arrays, const std::vector<float3>& posed,
                    const std::string& bone) {
  const float index = static_cast<float>(model.BoneIndexByName.at(bone));
  float3 sum;
  int count = 0;
  for (size_t i = 0; i < posed.size(); ++i) {
    const SkinnedVertex& v = arrays.Vertices[i];
    const auto strongest = std::max_element(std::begin(v.Weights), std::end(v.Weights)) - std::begin(v.Weights);
    if (v.BoneIndices[strongest] == index) {
      sum = sum + posed[i];
      ++count;
    }
  }
  return (1.0f / static_cast<float>(count)) * sum;
}

Box Bounds(const std::vector<float3>& points) {
  Box box;
  for (const float3& p : points) {
    box.Low = {std::min(box.Low.x, p.x), std::min(box.Low.y, p.y), std::min(box.Low.z, p.z)};
    box.High = {std::max(box.High.x, p.x), std::max(box.High.y, p.y), std::max(box.High.z, p.z)};
  }
  return box;
}

}  // namespace

TEST(CharacterPose, StandsUprightAroundTheOriginFacingTheCameraAndMovesBetweenTwoTimes) {
  const std::string path = std::string(ENGINE_ASSETS_DIR) + "/char.fbx";
  ASSERT_TRUE(std::filesystem::exists(path)) << "the committed " << path << " is missing";
  const aiScene* scene = ImportScene(path);
  ASSERT_NE(scene, nullptr);
  ModelLoader loader;
  Model model;
  const ModelArrays arrays = loader.ReadScene(*scene, path, model);

  const std::vector<float3> first = Pose(model, arrays, 0.1f);
  const std::vector<float3> second = Pose(model, arrays, 0.6f);
  for (const std::vector<float3>* pose : {&first, &second}) {
    const Box box = Bounds(*pose);
    EXPECT_NEAR(box.High.y - box.Low.y, 3.0f, 0.3f);  // upright: tallest along +y
    EXPECT_NEAR(box.High.y + box.Low.y, 0.0f, 0.3f);
    EXPECT_LT(box.High.x - box.Low.x, 1.5f);
    EXPECT_LT(box.High.z - box.Low.z, 1.5f);
  }
  // Facing the camera, which looks along +z from z = -4: the toes lie in front of the feet, nearer the
  // camera, and the character's left hand on the camera's right.
  for (const char* side : {"Left", "Right"}) {
    EXPECT_LT(CentreOfBone(model, arrays, first, std::string(side) + "ToeBase").z,
              CentreOfBone(model, arrays, first, std::string(side) + "Foot").z);
  }
  EXPECT_GT(CentreOfBone(model, arrays, first, "LeftHand").x, CentreOfBone(model, arrays, first, "RightHand").x);
  float largestMove = 0.0f;
  for (size_t i = 0; i < first.size(); ++i) {
    const float3 d = second[i] - first[i];
    largestMove = std::max(largestMove, Dot3(d, d));
  }
  EXPECT_GT(largestMove, 0.2f * 0.2f);
  aiReleaseImport(scene);
}
