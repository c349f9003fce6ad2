// The compile helper's side: answers compile and preprocess requests on one socket until the program
// closes it. Runs in the helper process, where a crash of the front end ends only the helper.
#pragma once

namespace d3dcompiler {

// The descriptor the program hands the helper its end of the socket on.
constexpr int CompileHelperSocket = 3;

// Returns the helper's exit code: 0 when the program closed the socket, 1 on a malformed request.
int ServeCompileRequests(int socket);

}  // namespace d3dcompiler
