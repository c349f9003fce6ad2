// The extent of a model over the poses it takes: its bind pose and its played animation, which the viewer
// frames with the start camera.
#pragma once

#include "content/Model.h"

// The bind pose's box joined with each bone's box, and the box of each rigid mesh under an animated node,
// posed at `samples` times spread over one loop of the played animation. Runs the animation to pose them,
// so the model's skinning matrices are left at the last sample (the next frame poses it again).
BoundingBox AnimatedBounds(Model& model, int samples = 32);

// The box of the eight corners of `box` taken by the column-vector matrix.
BoundingBox PlacedBox(const BoundingBox& box, const float4x4& placement);
