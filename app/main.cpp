// Process entry of the console program: the console carries the diagnostic log.
#include "app/Run.h"
#include "content/ModelFileError.h"
#include "content/TextureFileError.h"
#include "render/DeviceSetup.h"
#include "render/ShaderCompileError.h"
#include "text/FontFileError.h"

#include <windows.h>

#include <iostream>

int main() {
  // A font description that cannot be read stops the program with one line naming the file and the
  // problem, wherever the font was being read (start-up, the text box, a resize).
  try {
    Run(GetModuleHandleW(nullptr));
  } catch (const FontFileError& error) {
    std::cerr << error.what() << std::endl;
    return 1;
  } catch (const ModelFileError& error) {
    // Likewise a model file that Assimp cannot read or whose bones overflow the bone palette.
    std::cerr << error.what() << std::endl;
    return 1;
  } catch (const ShaderCompileError& error) {
    // Likewise a shader that does not compile: the compiler's own line, with the file and line number.
    std::cerr << error.what() << std::endl;
    return 1;
  } catch (const TextureFileError& error) {
    // Likewise an image that cannot become a texture: missing, not a PNG, or in an unusable format.
    std::cerr << error.what() << std::endl;
    return 1;
  } catch (const DeviceSetupError& error) {
    // Likewise a machine on which no Direct3D 12 device can be made, not even on the default adapter.
    std::cerr << error.what() << std::endl;
    return 1;
  }
  return 0;
}
