// A drawable mesh: a model, its world matrix and whether its per-object constants must be rewritten. The
// draw items and the constant slot are added by the mesh work.
#pragma once

#include "content/Model.h"
#include "math/Matrix.h"

struct Mesh {
  bool Dirty = true;  // the per-object constants still have to be written
  float4x4 World = Identity();
  Model Geometry;
};
