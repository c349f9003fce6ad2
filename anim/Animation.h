// Skeletal animation: poses a model from its first animation into the bone palette. Empty for now; the
// animation work fills it in.
#pragma once

#include "app/FrameTimer.h"
#include "content/Model.h"
#include "math/Matrix.h"

#include <vector>

inline void UpdateAnimation(Model& /*model*/, const FrameTimer& /*timer*/, std::vector<float4x4>& /*palette*/) {}
