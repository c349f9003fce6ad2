// The error of a model file the importer cannot use: Assimp cannot read it, or it has more bones than
// the bone palette holds. The program stops on it with the single line what() gives, e.g.
// "char.fbx: cannot import the model: Unable to open file "char.fbx".".
#pragma once

#include <stdexcept>
#include <string>

class ModelFileError : public std::runtime_error {
 public:
  ModelFileError(const std::string& path, const std::string& reason) : std::runtime_error(path + ": " + reason) {}
};
