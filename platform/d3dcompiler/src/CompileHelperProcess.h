// The program's side of the compile helper: finding the helper executable, starting it, keeping idle
// helpers for the next compilation, and telling how one ended when it stops answering.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace d3dcompiler {

// One running helper process and the program's end of its socket.
class CompileHelper {
 public:
  CompileHelper(pid_t process, int socket) : process_(process), socket_(socket) {}
  ~CompileHelper();  // ends and reaps the process
  CompileHelper(const CompileHelper&) = delete;
  CompileHelper& operator=(const CompileHelper&) = delete;

  int Socket() const { return socket_; }

  // In a forked copy of the program: lets go of the socket without touching the process, which serves
  // the program it was started for.
  void Abandon();

  // After the helper stopped answering: ends it (at once when it `hung`, else after the moment a dying
  // process needs), reaps it, and says how it ended ("was killed by signal 11 (Segmentation fault)").
  std::string End(bool hung = false);

 private:
  pid_t process_;
  int socket_;
  bool reaped_ = false;
};

// The helper executable: $D3DCOMPILER_HELPER, else d3dcompile-helper beside the program, else the one this
// build made; empty when there is none.
const std::string& CompileHelperPath();

// An idle helper, or a new one; null with `problem` set when none can be started.
std::unique_ptr<CompileHelper> TakeCompileHelper(std::string* problem);

// Keeps a helper that finished its request for the next one.
void ReturnCompileHelper(std::unique_ptr<CompileHelper> helper);

}  // namespace d3dcompiler
