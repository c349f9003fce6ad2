// Resolves the model's node tree into its SkeletonWalk: the name lookups of the per-frame walk, done once.
#pragma once

#include "content/Model.h"

// Lays out the nodes of the model's scene parent before children, in the order of a depth-first walk,
// and looks up each node's channel and bone by name. Each lookup goes through ChannelByNode's
// operator[], so, as a by-name walk would on its first frame, the map gains an entry without a channel
// for every node that has none. Also finds, for each rigid submesh, whether the animation moves its node.
void BuildSkeletonWalk(Model& model);
