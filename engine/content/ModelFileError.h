// The error of a model file the importer cannot use: Assimp cannot read it, or it has more bones than
// the bone palette holds. The program stops on it with the single line what() gives, e.g.
// "char.fbx: cannot import the model: Unable to open file "char.fbx".".
#pragma once

#include "core/FatalError.h"

#include <string>

class ModelFileError : public FatalError {
 public:
  ModelFileError(const std::string& path, const std::string& reason) : FatalError(path + ": " + reason) {}
};
