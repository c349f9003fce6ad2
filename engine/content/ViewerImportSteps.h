// The post-processing viewer mode asks of Assimp: what the importer needs of any model file, and no step that
// rebuilds a mesh which arrives as the importer wants it (triangles, indexed, with normals).
#pragma once

#include <string>

struct aiMesh;
struct aiScene;

// The scene of the file as ModelLoader reads it, imported with the viewer's steps; throws ModelFileError as
// ImportScene does. Meshes are split at MaxVerticesPerMesh vertices like ImportScene's.
const aiScene* ImportViewedScene(const std::string& path);

// Whether the mesh shares no vertex between its faces: a file that lists every corner's vertex apart (STL,
// FBX, glTF without indices), whose identical vertices the viewer joins.
bool ArrivesUnindexed(const aiMesh& mesh);
