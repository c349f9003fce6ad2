// Opening a model file with Assimp, and the test of whether one of its meshes can be drawn.
#pragma once

#include <assimp/postprocess.h>

#include <string>

struct aiMesh;
struct aiScene;

// Assimp's real-time maximum-quality preset made left-handed: triangles only, smooth normals, at most four
// weights per vertex, left-handed coordinates and flipped texture v, which the importer relies on.
inline constexpr unsigned int ModelImportFlags = 0x1B79ECF;
static_assert(ModelImportFlags == (aiProcessPreset_TargetRealtime_MaxQuality | aiProcess_ConvertToLeftHanded));

// The most vertices one mesh may have: its indices are 16 bits, relative to the mesh's first vertex.
inline constexpr unsigned int MaxVerticesPerMesh = 65536;

// The scene of the file, larger meshes split into parts of at most MaxVerticesPerMesh vertices; throws
// ModelFileError with Assimp's reason when Assimp cannot read it.
const aiScene* ImportScene(const std::string& path);

// The same with other post-processing steps; the mesh-size limits stay those of ImportScene.
const aiScene* ImportSceneWithSteps(const std::string& path, unsigned int steps);

// Runs more post-processing steps on a scene the two functions above imported, with the same limits; throws
// ModelFileError (path names the file) after releasing the scene when a step fails.
const aiScene* ApplyMoreSteps(const aiScene* scene, const std::string& path, unsigned int steps);

// Why the importer cannot use the mesh (it reads positions, normals, texture coordinate set 0 when there
// is one, and three 16-bit indices per face), or null when it can.
const char* UnusableMeshReason(const aiMesh& mesh);

// Whether at least one mesh of the scene is usable and has a triangle: a scene of points and lines only
// would load and draw nothing.
bool HasDrawableMesh(const aiScene& scene);
