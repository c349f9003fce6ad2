// Process entry of the console program: the console carries the diagnostic log.
#include "app/Run.h"
#include "core/ConsoleOutput.h"
#include "core/FatalError.h"

#include <windows.h>

#include <exception>
#include <string>

int main() {
  // An input file the program cannot use (font, model, texture, shader) or a machine without a device
  // stops it with one line naming the file or call and the problem, wherever it was found (start-up,
  // the text box, a resize), instead of an uncaught exception.
  try {
    Run(GetModuleHandleW(nullptr));
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
