// d3dcompile-helper: the process D3DCompile runs the HLSL front end in (see IsolatedCompile.h). It serves
// the program that started it on descriptor 3 and ends when that program closes it.
#include "CompileHelperServer.h"

#include <unistd.h>

int main() {
  // Straight out, without exit handlers: nothing of the compiler's needs tearing down, and a sanitizer
  // build's leak report on the front end's lifetime tables would only be noise in the program's log.
  _exit(d3dcompiler::ServeCompileRequests(d3dcompiler::CompileHelperSocket));
}
