// Small Assimp scenes built in memory, the way an import would hand them over, for the import and
// animation tests.
#pragma once

#include <assimp/anim.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace test_scenes {

using Face = std::array<unsigned int, 3>;

// A triangle mesh with positions (i, 2i, 3i), normals, texture coordinates (i, -i) and the given faces.
aiMesh* MakeMesh(unsigned int vertexCount, const std::vector<Face>& faces = {});

// `count` faces that each name vertices 0, 1 and 2.
std::vector<Face> RepeatedFaces(unsigned int count);

void AddBone(aiMesh& mesh, const std::string& name, const std::vector<aiVertexWeight>& weights,
             const aiMatrix4x4& offset = aiMatrix4x4());

// Takes ownership of the meshes; the root is a node named "Root" unless one is given.
std::unique_ptr<aiScene> MakeScene(const std::vector<aiMesh*>& meshes, aiNode* root = nullptr);

aiNode* AddChild(aiNode& parent, const std::string& name, const aiMatrix4x4& transformation = aiMatrix4x4());

aiNodeAnim* MakeChannel(const std::string& nodeName, const std::vector<aiVectorKey>& positions,
                        const std::vector<aiQuatKey>& rotations, const std::vector<aiVectorKey>& scalings);

// Appends an animation that owns the channels.
void AddAnimation(aiScene& scene, double duration, double ticksPerSecond, const std::vector<aiNodeAnim*>& channels);

aiMatrix4x4 TranslationMatrix(float x, float y, float z);

}  // namespace test_scenes
