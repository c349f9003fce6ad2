// The base of every error the program cannot go on after: an input file it cannot use (font, model,
// texture, shader) or a machine without a Direct3D 12 device. main prints what() as the one line the
// program stops with, and exits with code 1.
#pragma once

#include <stdexcept>

class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
