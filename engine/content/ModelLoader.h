// Reads the character model through Assimp into one Model and records the upload of its vertex and index
// buffers on a command list that the caller submits.
#pragma once

#include "content/Model.h"
#include "content/SceneImport.h"
#include "content/SkinnedVertex.h"
#include "core/Direct3D12.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct aiAnimation;
struct aiMesh;
struct aiNode;
struct aiScene;

// Every drawable mesh's vertices and 16-bit indices, one mesh after another, on their way to the GPU.
struct ModelArrays {
  std::vector<SkinnedVertex> Vertices;
  std::vector<uint16_t> Indices;
};

// One node that draws a mesh, and where it puts the mesh in the bind pose relative to the root node
// (row vectors).
struct MeshPlacement {
  const aiNode* Node = nullptr;
  float4x4 Transform = Identity();
};

// The animation the model plays (see Model::AnimationIndex), or null when the scene has none.
const aiAnimation* PlayedAnimation(const Model& model);

// Makes the model play the scene's animation `index` from its next frame on: its channels are mapped anew.
void SelectAnimation(Model& model, uint32_t index);

class ModelLoader {
 public:
  // Imports the file (path relative to the working directory) and records the copies of both buffers on
  // CommandList without submitting them; the caller executes the list and waits before anything draws.
  // Throws ModelFileError for a file Assimp cannot read, a model without any mesh of triangles or with
  // more than MaxBones bones. Meshes the importer cannot draw are left out, each with a line on stderr.
  Model LoadModel(const std::string& path);

  // The CPU half of LoadModel: fills the model's submeshes, bones, channels, root inverse and scene from
  // the scene and returns the arrays to upload. Throws ModelFileError as LoadModel does; path only names
  // the file in messages.
  ModelArrays ReadScene(const aiScene& scene, const std::string& path, Model& model);

  // Fills Influences for the mesh's vertices and adds the mesh's new bone names to the bone list.
  void CollectBones(const aiMesh& mesh);

  // A default-heap buffer filled from source through a new upload-heap buffer (handed back in upload):
  // the bytes are in the upload buffer when this returns, and the copy is recorded on CommandList.
  ID3D12Resource* CreateGpuBuffer(const void* source, uint64_t byteSize, ID3D12Resource** upload);

  std::vector<VertexInfluences> Influences;  // for the mesh being read
  std::vector<BoneInfo> BoneInfos;           // bones of every mesh read so far
  std::map<std::string, uint32_t> BoneIndexByName;
  uint32_t BoneCount = 0;
  // Viewer mode scales each vertex's weights to add up to 1; the character's are taken as they are.
  bool NormaliseWeights = false;
  // How LoadModel opens the file: the program's own steps, or the viewer's (ImportViewedScene).
  const aiScene* (*Import)(const std::string& path) = ImportScene;
  // Viewer mode frees each copy of the model as soon as the next one is made: the scene's vertex arrays once
  // read (ReleaseVertexArrays, and the heap compacted), the vertex array once in its upload buffer. A big model
  // is then held at most three times at once, not five.
  bool FreeCopiesEarly = false;
  // Viewer mode: each vertex's colour from the mesh's first colour set (white without one), and the texture
  // coordinates from the set the material's base-colour texture names (else set 0).
  bool ReadVertexColours = false;
  bool UseMaterialTexCoordSets = false;
  std::vector<unsigned int> TexCoordSetByMaterial;  // filled by ReadScene when the sets are used
  // Viewer mode: a scene with morph targets leaves a copy of its vertex array here, to be deformed.
  bool KeepVerticesOfMorphedModels = false;
  std::vector<SkinnedVertex> KeptVertices;
  ID3D12Device* Device = nullptr;
  ID3D12CommandAllocator* CommandAllocator = nullptr;  // the caller's, to submit with
  ID3D12GraphicsCommandList* CommandList = nullptr;
  ID3D12CommandQueue* CommandQueue = nullptr;  // the caller's, to submit with

 private:
  // Appends the mesh's vertices and indices once, and a submesh per placement for a rigid mesh (one for a
  // skinned mesh, which the bone palette places).
  void AppendMesh(const aiMesh& mesh, const std::vector<MeshPlacement>& placements, ModelArrays& arrays, Model& model);
  void UploadArrays(ModelArrays& arrays, Model& model);
};
