#pragma once
// Opens a model file exactly the way the engine's importer does, so the tools see the scene the engine sees.

#include <assimp/scene.h>

#include <memory>
#include <string>

// aiProcessPreset_TargetRealtime_MaxQuality | aiProcess_ConvertToLeftHanded: the engine's fixed flag word.
inline constexpr unsigned EngineImportFlags = 0x1B79ECF;

struct SceneRelease {
  void operator()(const aiScene* scene) const;
};
using ScenePtr = std::unique_ptr<const aiScene, SceneRelease>;

// Null (after one stderr line naming the file and Assimp's reason) when Assimp cannot read the file.
ScenePtr ImportLikeEngine(const std::string& path);

// Names the post-processing steps of a flag word, for the checker's report.
std::string DescribeImportFlags(unsigned flags);
