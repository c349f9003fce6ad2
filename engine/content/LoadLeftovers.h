// What a loaded model held only for its loading, given back once the GPU has its copies: the upload-heap
// buffers that filled its vertex and index buffers, and the per-vertex arrays of the imported scene, which the
// loader has copied into its own.
#pragma once

#include <cstddef>

struct Model;
struct aiScene;

// Releases the model's two upload buffers and forgets them. Only after the copies out of them have finished.
void ReleaseUploadBuffers(Model& model);

// Frees each mesh's positions, normals, tangents, texture coordinates, colours, faces and bone weights and
// returns the bytes they held. What the frames read stays: the node tree, animations, materials, embedded
// textures, bone names and offsets. So do the arrays of a mesh with morph targets, which deform its vertices
// after loading. Counts stay as they were, so a mesh's size can still be told; aiMesh's Has... tests answer
// false for what is gone.
size_t ReleaseVertexArrays(const aiScene& scene);
