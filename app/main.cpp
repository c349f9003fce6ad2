// Process entry of the console program: the console carries the diagnostic log.
#include "app/Run.h"

#include <windows.h>

int main() {
  Run(GetModuleHandleW(nullptr));
  return 0;
}
