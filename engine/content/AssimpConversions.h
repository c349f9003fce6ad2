// Assimp's value types as the engine's. Matrices are copied row for row as Assimp stores them (rows a, b,
// c, d) and keep Assimp's column-vector meaning: nothing is transposed here.
#pragma once

#include "math/Matrix.h"
#include "math/Vector.h"

#include <assimp/matrix4x4.h>
#include <assimp/vector3.h>

inline float4x4 FromAssimp(const aiMatrix4x4& m) {
  return {{{m.a1, m.a2, m.a3, m.a4}, {m.b1, m.b2, m.b3, m.b4}, {m.c1, m.c2, m.c3, m.c4}, {m.d1, m.d2, m.d3, m.d4}}};
}

inline float3 FromAssimp(const aiVector3D& v) { return {v.x, v.y, v.z}; }
