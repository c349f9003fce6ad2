// The error of an image the texture loader cannot use: missing, not a PNG, or in a pixel format no GPU
// format or conversion covers. Both textures are needed (the text and the model sample them), so the
// program stops on it with the single line what() gives, e.g.
// "blessing-1x.png: cannot open the image: The system cannot find the file specified. (0x80070002)".
#pragma once

#include <windows.h>

#include "core/FatalError.h"

#include <string>

class TextureFileError : public FatalError {
 public:
  TextureFileError(const std::wstring& fileName, const std::string& reason);

  // The same, followed by the system's text for the failing call's result and the code itself.
  TextureFileError(const std::wstring& fileName, const std::string& reason, HRESULT result);
};
