// The 4 x 4 f32 matrix and its constructors.
//
// Two conventions share this one type. Scene matrices (camera, world, draw-item transforms and everything
// built below) use row vectors: a point p transforms as p x M, the translation sits in row 3, and in
// p x A x B the matrix A acts first. Matrices imported from Assimp keep Assimp's column-vector meaning
// (translation in column 3) and are stored in Assimp's own row order, never transposed on import.
// Products are the ordinary ones either way. On the way to the shaders, scene matrices are transposed and
// skinning matrices are not, so both arrive as column-vector matrices stored row by row.
#pragma once

#include "math/SinCos.h"
#include "math/Vector.h"

#include <type_traits>

// Sixteen f32 stored row by row: m[r][c] is value number 4r + c. This is also the byte layout copied into
// constant buffers.
struct float4x4 {
  float m[4][4] = {};
};
static_assert(sizeof(float4x4) == 64 && std::is_standard_layout_v<float4x4>);

inline float4x4 Identity() { return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}; }

inline float4x4 Translation(float x, float y, float z) {
  return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}}};
}
inline float4x4 Translation(float3 t) { return Translation(t.x, t.y, t.z); }

inline float4x4 Scaling(float x, float y, float z) {
  return {{{x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, z, 0}, {0, 0, 0, 1}}};
}
inline float4x4 Scaling(float3 s) { return Scaling(s.x, s.y, s.z); }

inline float4x4 RotationY(float angle) {
  const auto [s, c] = SinCos(angle);
  return {{{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}}};
}

inline float4x4 RotationZ(float angle) {
  const auto [s, c] = SinCos(angle);
  return {{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

// Rotation by angle about the axis; the axis need not be unit length.
inline float4x4 RotationAxis(float3 axis, float angle) {
  const auto [s, c] = SinCos(angle);
  const auto [x, y, z] = Normalize3(axis);
  const float k = 1.0f - c;
  return {{{c + k * x * x, k * x * y + s * z, k * x * z - s * y, 0},
           {k * x * y - s * z, c + k * y * y, k * y * z + s * x, 0},
           {k * x * z + s * y, k * y * z - s * x, c + k * z * z, 0},
           {0, 0, 0, 1}}};
}

// Rotation of the unit quaternion q, given as (x, y, z, w) with w the real part.
inline float4x4 RotationQuaternion(float4 q) {
  const auto [x, y, z, w] = q;
  return {{{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y), 0},
           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x), 0},
           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y), 0},
           {0, 0, 0, 1}}};
}

// Left-handed perspective projection: view-space +Z looks into the screen, the near plane maps to depth 0
// and the far plane to depth 1.
inline float4x4 PerspectiveFov(float fovY, float aspect, float zNear, float zFar) {
  const auto [s, c] = SinCos(0.5f * fovY);
  const float h = c / s;
  const float w = h / aspect;
  const float r = zFar / (zFar - zNear);
  return {{{w, 0, 0, 0}, {0, h, 0, 0}, {0, 0, r, 1}, {0, 0, -r * zNear, 0}}};
}

// World-to-view matrix of a camera at position p with the unit frame right, up, look.
inline float4x4 ViewFromFrame(float3 p, float3 right, float3 up, float3 look) {
  return {{{right.x, up.x, look.x, 0},
           {right.y, up.y, look.y, 0},
           {right.z, up.z, look.z, 0},
           {-Dot3(p, right), -Dot3(p, up), -Dot3(p, look), 1}}};
}

inline float4x4 Multiply(const float4x4& a, const float4x4& b) {
  float4x4 product;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      product.m[row][column] = a.m[row][0] * b.m[0][column] + a.m[row][1] * b.m[1][column] +
                               a.m[row][2] * b.m[2][column] + a.m[row][3] * b.m[3][column];
    }
  }
  return product;
}

inline float4x4 Transpose(const float4x4& a) {
  float4x4 transposed;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      transposed.m[row][column] = a.m[column][row];
    }
  }
  return transposed;
}

// A direction through the upper 3 x 3 of a scene matrix: translation does not apply.
inline float3 TransformNormal(float3 v, const float4x4& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}
inline float4 TransformNormal(float4 v, const float4x4& m) { return Direction(TransformNormal(XYZ(v), m)); }
