// The viewer's start camera: the extent of a model over its poses, and a camera and lens that fit it
// whatever its size.
#include "anim/ModelBounds.h"
#include "content/ModelLoader.h"
#include "render/Camera.h"
#include "support/TestScenes.h"
#include "viewer/OrbitCamera.h"
#include "viewer/ViewerCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace test_scenes;

namespace {

BoundingBox Box(float3 min, float3 max) {
  BoundingBox box;
  box.Add(min);
  box.Add(max);
  return box;
}

// Where the point lands in normalised device coordinates through the camera the framing sets up.
float3 Projected(const ViewerFraming& framing, float3 p) {
  Camera camera;
  camera.SetProjection(0.785f, 800.0f / 600.0f, framing.NearPlane, framing.FarPlane);
  camera.AimAt(framing.Eye, framing.Target, {0.0f, 1.0f, 0.0f});
  camera.RebuildView();
  const float4x4 m = Multiply(camera.ViewMatrix, camera.ProjMatrix);
  const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  const float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  return {x / w, y / w, z / w};
}

// Every corner in view between the planes; returns how far out the farthest corner lands, as a fraction of
// the view's half width or half height, whichever is more.
float ExpectInView(const ViewerFraming& framing, const BoundingBox& box) {
  float reach = 0.0f;
  for (int corner = 0; corner < 8; ++corner) {
    const float3 p = {(corner & 1) != 0 ? box.Max.x : box.Min.x, (corner & 2) != 0 ? box.Max.y : box.Min.y,
                      (corner & 4) != 0 ? box.Max.z : box.Min.z};
    const float3 ndc = Projected(framing, p);
    EXPECT_LE(std::fabs(ndc.x), 1.0f) << "corner " << corner;
    EXPECT_LE(std::fabs(ndc.y), 1.0f) << "corner " << corner;
    EXPECT_GT(ndc.z, 0.0f) << "corner " << corner << " is before the near plane";
    EXPECT_LT(ndc.z, 1.0f) << "corner " << corner << " is past the far plane";
    reach = std::max({reach, std::fabs(ndc.x), std::fabs(ndc.y)});
  }
  return reach;
}

}  // namespace

TEST(ViewerFraming, ModelsOfAnySizePlaceAndShapeAreWholeInViewAndFillAtLeastHalfOfIt) {
  const BoundingBox huge = Box({-3950.0f, 0.0f, -1000.0f}, {3950.0f, 2500.0f, 1000.0f});
  const BoundingBox tiny = Box({0.0f, 0.0f, 0.0f}, {0.01f, 0.006f, 0.002f});
  const BoundingBox away = Box({500.0f, -20.0f, 300.0f}, {502.0f, -18.0f, 301.0f});
  // Long along each axis in turn: a radius or a distance that forgot one of them would cut the model off,
  // leave it small, or put the camera inside it.
  const BoundingBox wide = Box({-10.0f, -0.5f, -0.5f}, {10.0f, 0.5f, 0.5f});
  const BoundingBox tall = Box({-0.5f, -10.0f, -0.5f}, {0.5f, 10.0f, 0.5f});
  const BoundingBox deep = Box({-0.5f, -0.5f, -10.0f}, {0.5f, 0.5f, 10.0f});
  for (const BoundingBox& box : {huge, tiny, away, wide, tall, deep}) {
    const ViewerFraming framing = FrameBounds(box, 0.785f, 800.0f / 600.0f);
    EXPECT_GE(ExpectInView(framing, box), 0.5f) << "the model fills less than half the view";
    EXPECT_GT(framing.NearPlane, 0.0f);
    EXPECT_LT(framing.Eye.z + framing.NearPlane, box.Min.z) << "the camera is inside the model";
  }
  // Steps follow the model's size.
  EXPECT_GT(FrameBounds(huge, 0.785f, 800.0f / 600.0f).MoveStepScale, 100.0f);
  EXPECT_LT(FrameBounds(tiny, 0.785f, 800.0f / 600.0f).MoveStepScale, 0.01f);
}

TEST(ViewerFraming, EmptyOrPointLikeBoundsFrameAUnitSphere) {
  const ViewerFraming empty = FrameBounds(BoundingBox(), 0.785f, 800.0f / 600.0f);
  EXPECT_EQ(empty.Target.x, 0.0f);
  EXPECT_LT(empty.Eye.z, -1.0f);
  const ViewerFraming point = FrameBounds(Box({5.0f, 5.0f, 5.0f}, {5.0f, 5.0f, 5.0f}), 0.785f, 800.0f / 600.0f);
  EXPECT_EQ(point.Target.x, 5.0f);
  EXPECT_TRUE(std::isfinite(point.NearPlane) && point.NearPlane > 0.0f);
  EXPECT_FLOAT_EQ(point.Eye.z - point.Target.z, empty.Eye.z);

  BoundingBox box;
  box.Add(float3{NAN, 0.0f, 0.0f});  // a bad vertex is left out rather than spoiling the box
  EXPECT_TRUE(box.Empty());
}

TEST(ModelBounds, CoverTheBindPoseAndWhereTheAnimationCarriesTheBones) {
  // One vertex held by a bone that the animation walks from x = 0 to x = 100 and back.
  auto* root = new aiNode("Root");
  AddChild(*root, "Arm");
  aiMesh* mesh = MakeMesh(3, RepeatedFaces(1));  // positions (0,0,0), (1,2,3), (2,4,6)
  AddBone(*mesh, "Arm", {{0, 1.0f}, {1, 1.0f}, {2, 1.0f}});
  auto scene = MakeScene({mesh}, root);
  AddAnimation(*scene, 2.0, 1.0,
               {MakeChannel("Arm", {{0.0, {0, 0, 0}}, {1.0, {100, 0, 0}}, {2.0, {0, 0, 0}}}, {}, {})});
  ModelLoader loader;
  Model model;
  loader.ReadScene(*scene, "arm.fbx", model);
  EXPECT_FLOAT_EQ(model.BindBounds.Max.x, 2.0f);
  ASSERT_EQ(model.BoneBounds.size(), 1u);

  const BoundingBox bounds = AnimatedBounds(model);
  EXPECT_FLOAT_EQ(bounds.Min.x, 0.0f);
  EXPECT_NEAR(bounds.Max.x, 102.0f, 0.01f);  // the sample at the middle of the loop
  EXPECT_FLOAT_EQ(bounds.Max.y, 4.0f);
  EXPECT_FLOAT_EQ(bounds.Max.z, 6.0f);

  // Without the animation, the box is the bind pose's.
  ModelLoader still;
  Model rigid;
  const auto plain = MakeScene({MakeMesh(3, RepeatedFaces(1))});
  still.ReadScene(*plain, "plain.fbx", rigid);
  const BoundingBox standing = AnimatedBounds(rigid);
  EXPECT_FLOAT_EQ(standing.Max.z, 6.0f);
  EXPECT_FLOAT_EQ(standing.Min.x, 0.0f);
}

TEST(OrbitCamera, TurnsAboutTheCentreNeverOverAPoleZoomsAndPans) {
  const float3 centre = {1.0f, 2.0f, 3.0f};
  Orbit orbit = OrbitThrough({1.0f, 2.0f, -7.0f}, centre);  // ten units in front, looking along +Z
  EXPECT_NEAR(orbit.Distance, 10.0f, 1e-5f);
  EXPECT_NEAR(orbit.Yaw, 0.0f, 1e-6f);
  // A quarter turn to the right goes round to the -X side; the distance stays.
  TurnOrbit(orbit, 1.5707963f, 0.0f);
  float3 eye = OrbitEye(orbit);
  EXPECT_NEAR(eye.x, -9.0f, 1e-4f);
  EXPECT_NEAR(eye.z, 3.0f, 1e-4f);
  // Tilting far past the top stops short of it: the eye is above but not straight above.
  TurnOrbit(orbit, 0.0f, 10.0f);
  eye = OrbitEye(orbit);
  EXPECT_GT(eye.y, 2.0f + 9.9f);
  EXPECT_GT(std::fabs(eye.x - centre.x), 0.01f);
  const Orbit again = OrbitThrough(eye, centre);  // the round trip gives the same orbit back
  EXPECT_NEAR(again.Pitch, orbit.Pitch, 1e-3f);
  EXPECT_NEAR(again.Yaw, orbit.Yaw, 1e-3f);

  ZoomOrbit(orbit, 2.0f);
  EXPECT_NEAR(orbit.Distance, 8.1f, 1e-4f);
  PanOrbit(orbit, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.5f, -1.0f);
  EXPECT_NEAR(orbit.Centre.x, 1.0f + 4.05f, 1e-4f);
  EXPECT_NEAR(orbit.Centre.y, 2.0f - 8.1f, 1e-4f);
}
