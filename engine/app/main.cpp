// Process entry of the console program: the console carries the diagnostic log.
#include "app/ModelArgument.h"
#include "app/Run.h"
#include "core/ConsoleOutput.h"
#include "core/FatalError.h"

#include <windows.h>

#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  // An input file the program cannot use (font, model, texture, shader) or a machine without a device
  // stops it with one line naming the file or call and the problem, wherever it was found (start-up,
  // the text box, a resize), instead of an uncaught exception.
  try {
    const std::string model = ModelFromCommandLine(argc, argv);
    // A viewed model is named from wherever the program was started; the program's own files are read
    // by fixed names from the current folder, so that becomes the executable's folder.
    if (!model.empty()) {
      std::filesystem::current_path(ExecutableFolder());
    }
    Run(GetModuleHandleW(nullptr), model);
  } catch (const FatalError& error) {
    WriteErrorLine(error.what());
    return 1;
  } catch (const std::exception& error) {
    // The standard library's own failures (memory, string lengths): still one line and a clean exit.
    WriteErrorLine(std::string("engine: ") + error.what());
    return 1;
  }
  return 0;
}
