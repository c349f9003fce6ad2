// Skeletal animation: poses a model from its played animation (the first unless the viewer picks another) and fills the
// bone palette with the skinning matrices.
#pragma once

#include "content/Mesh.h"
#include "content/Model.h"
#include "core/FrameTimer.h"
#include "math/Matrix.h"

#include <vector>

struct aiAnimation;

// Samples the model's played animation at the previous frame's time, composes the node tree from the root
// and stores each bone's skinning matrix, then copies the BoneCount skinning matrices into the palette in
// bone-index order. A model without animations stands in its bind pose; one without a scene leaves the
// palette empty.
void UpdateAnimation(Model& model, const FrameTimer& timer, std::vector<float4x4>& palette);

// Viewer mode, after UpdateAnimation: each draw item whose rigid mesh hangs under an animated node is
// placed where the latest pose puts that node, relative to the root like the bone palette, and marked as
// following the animation. Items of other meshes keep the bind-pose placement the loader gave them.
void FollowAnimatedNodes(Mesh& mesh);

// Where the latest pose puts the node at walk position `node`, relative to the root node, as a
// column-vector matrix.
float4x4 PosedNodePlacement(const Model& model, uint32_t node);

// One step of the walk: the node's transformation (sampled from its channel, or its own) composed with
// its parent's global transformation P. Stores the skinning matrix when the node is a bone and returns
// the node's global transformation for its children.
float4x4 AnimateNode(Model& model, float time, const WalkNode& node, const float4x4& parent);

// A timer whose previous frame was `seconds` after its start, for posing a model at a chosen time.
FrameTimer TimerAtPreviousFrame(double seconds);

// The time of the previous frame in seconds: the timer's elapsed time less the latest frame's length.
float PreviousFrameSeconds(const FrameTimer& timer);

// The animation time in ticks for a time in seconds, looping with the animation's duration; 25 ticks per
// second when the file gives none. A zero duration holds the first tick instead of producing NaN.
float AnimationTicks(const aiAnimation& animation, float seconds);
