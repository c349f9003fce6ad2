// The models of the scaling benchmark, written by this program rather than taken from anywhere: a grid of
// the given triangles split evenly over the meshes, its columns shared out among the bones, which turn in
// one animation. ASCII FBX, which Assimp reads back and other viewers open too, and binary glTF (.glb), whose
// indexed meshes and plain buffers measure the engine rather than a text tokenizer.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ModelSize {
  unsigned Triangles = 0;
  unsigned Meshes = 1;
  unsigned Bones = 0;
  bool Glb = false;  // binary glTF instead of ASCII FBX
};

// 10k, 100k and 1M triangles in one mesh; 10k over 16, 100 and 1000 meshes; 10k with 1 and 96 bones; each
// as FBX and as glTF.
const std::vector<ModelSize>& ModelSizes();

// "scaling_<triangles>_<meshes>_<bones>.fbx", or ".glb".
std::string ModelFileName(const ModelSize& size);

// Writes the model into the folder unless a file of its name is there already; returns its path. Stops the
// program with one line when the file cannot be written.
std::string WriteModel(const ModelSize& size, const std::filesystem::path& folder);
