// The imported character: shared GPU vertex and index buffers with one draw range per Assimp mesh, the
// bones, and the Assimp scene that the animation walks every frame.
#pragma once

#include "content/SkeletonWalk.h"
#include "core/Direct3D12.h"
#include "math/Matrix.h"
#include "math/Vector.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

struct aiNode;
struct aiNodeAnim;
struct aiScene;

// The bone palette of the object shaders holds this many matrices.
inline constexpr uint32_t MaxBones = 96;

// An axis-aligned box; empty (Min above Max) until a point is added.
struct BoundingBox {
  float3 Min = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                std::numeric_limits<float>::max()};
  float3 Max = {-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                -std::numeric_limits<float>::max()};

  bool Empty() const { return Min.x > Max.x; }
  // Points with a NaN or infinite coordinate are left out: one bad vertex must not swallow the view.
  void Add(float3 p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return;
    }
    Min = {std::min(Min.x, p.x), std::min(Min.y, p.y), std::min(Min.z, p.z)};
    Max = {std::max(Max.x, p.x), std::max(Max.y, p.y), std::max(Max.z, p.z)};
  }
  void Add(const BoundingBox& box) {
    if (!box.Empty()) {
      Add(box.Min);
      Add(box.Max);
    }
  }
};

// One distinct bone name, indexed by bone index. Both matrices keep Assimp's column-vector meaning.
struct BoneInfo {
  float4x4 OffsetMatrix = Identity();  // bind pose to bone space
  float4x4 SkinMatrix = Identity();    // bind pose to posed model space, rewritten every frame
};

// One place an Assimp mesh is drawn: its draw range inside the shared buffers and, for a rigid mesh, the
// node that places it. A rigid mesh that several nodes draw has one submesh per node, all sharing the one
// draw range. Indices are local to the mesh; BaseVertex places them in the shared vertex buffer.
struct Submesh {
  uint32_t IndexCount = 0;
  uint32_t FirstIndex = 0;
  int32_t BaseVertex = 0;
  float4x4 Transform = Identity();  // the node's bind-pose placement relative to the root, row vectors
  uint32_t Material = 0;            // the scene's material index of the mesh
  uint32_t SceneMesh = 0;           // the scene's index of the mesh
  // The node that places a rigid mesh; null for a skinned mesh (the bone palette places it) and for a
  // mesh no node draws. The viewer follows this node's animation.
  const aiNode* Node = nullptr;
  BoundingBox LocalBounds = {};  // the mesh's vertices in its own space, before any placement
};

// Copies share the GPU buffers and the scene (plain pointers, nothing is reference counted) and copy the
// lists and maps. Nothing releases the buffers or the scene: they live as long as the process.
struct Model {
  float4x4 InverseRootTransform = Identity();
  ID3D12Resource* VertexBuffer = nullptr;  // default heap, every mesh's vertices one mesh after another
  ID3D12Resource* IndexBuffer = nullptr;   // default heap, 16-bit indices in the same mesh order
  ID3D12Resource* VertexUpload = nullptr;  // upload heaps that filled the two; kept, but released (and null)
                                           // in viewer mode once the copies finished
  ID3D12Resource* IndexUpload = nullptr;
  uint32_t VertexBufferSize = 0;
  uint32_t VertexStride = 0;
  DXGI_FORMAT IndexFormat = DXGI_FORMAT_UNKNOWN;
  uint32_t IndexBufferSize = 0;
  std::vector<Submesh> Submeshes;
  // The scene's animation the model plays: the first, unless the viewer steps to another.
  uint32_t AnimationIndex = 0;
  // Node name to the channel of the played animation that drives it. The first animated frame adds an
  // entry without a channel for every other node.
  std::map<std::string, const aiNodeAnim*> ChannelByNode;
  std::vector<BoneInfo> BoneInfos;
  std::map<std::string, uint32_t> BoneIndexByName;
  uint32_t BoneCount = 0;
  // The bind pose's extent in model space (rigid meshes placed), and per bone index the bind-pose extent
  // of the vertices that bone moves most: posed by the bone's skinning matrix, these boxes follow the
  // animation without skinning every vertex again.
  BoundingBox BindBounds;
  std::vector<BoundingBox> BoneBounds;
  const aiScene* Scene = nullptr;  // null until imported
  // The node tree with the two maps looked up, built by the first animated frame; the maps are not read
  // by the walk after that.
  SkeletonWalk Walk;
};
