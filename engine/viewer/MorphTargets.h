// Morph targets on the CPU: the meshes that have targets, their weights from the file (the mesh's own, or
// the current animation's morph channel), and their vertices deformed every frame into an upload buffer
// the model then draws from.
#pragma once

#include "content/Model.h"
#include "content/SkinnedVertex.h"

#include <windows.h>

#include "core/Direct3D12.h"

#include <cstdint>
#include <vector>

struct aiAnimation;
struct aiMesh;
struct aiMeshMorphAnim;

// One mesh of the scene with targets, and where its vertices sit in the model's vertex buffer.
struct MorphedMesh {
  const aiMesh* Source = nullptr;
  uint32_t FirstVertex = 0;
  uint32_t Submesh = 0;                      // the first submesh drawn from it
  std::vector<float> OwnWeights;             // one per target, as the mesh gives them
  std::vector<float> Weights;                // the latest Update's: the own ones, or the animation's
  const aiMeshMorphAnim* Channel = nullptr;  // of the played animation, or null
};

class MorphTargets {
 public:
  // Finds the scene's meshes with usable targets. `vertices` are the model's vertex array as uploaded
  // (kept by the loader); without targets nothing is kept and nothing happens per frame.
  void Prepare(const Model& model, std::vector<SkinnedVertex> vertices);
  bool Empty() const { return meshes_.empty(); }

  // Follows the model's played animation from now on.
  void SelectAnimation(const Model& model);

  // Makes the upload buffer the model draws from from now on (its vertex buffer is replaced).
  void CreateBuffer(ID3D12Device* device, Model& model);

  // The weights at `ticks` of the animation (or each mesh's own weights without one), and the vertices
  // deformed by them into the buffer.
  void Update(const aiAnimation* animation, float ticks);

  // Widens each morphing submesh's local box, and the model's bind box, to what its targets reach.
  void WidenBounds(Model& model, const aiAnimation* animation) const;

  const std::vector<MorphedMesh>& Meshes() const { return meshes_; }
  const std::vector<SkinnedVertex>& Vertices() const { return vertices_; }

 private:
  void Deform(const MorphedMesh& mesh, const std::vector<float>& weights, std::vector<SkinnedVertex>& out) const;

  std::vector<MorphedMesh> meshes_;
  std::vector<SkinnedVertex> base_;      // as loaded
  std::vector<SkinnedVertex> vertices_;  // as deformed by the latest Update
  ID3D12Resource* buffer_ = nullptr;
  uint8_t* mapped_ = nullptr;
};

// The weights of the channel's keys at `ticks`, blended linearly between the two keys around it and held
// before the first and after the last; targets a key does not name weigh 0. `weights` keeps its size.
void SampleMorphWeights(const aiMeshMorphAnim& channel, float ticks, std::vector<float>& weights);
