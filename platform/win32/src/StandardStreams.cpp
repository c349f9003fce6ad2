#include "StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace win32 {
namespace {

void OpenIfClosed(int descriptor) {
  if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) return;
  const int opened = open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  // open takes the lowest free number, which is this one unless a lower stream was closed as well; those
  // are opened first, in order.
  if (opened >= 0 && opened != descriptor) {
    dup2(opened, descriptor);
    close(opened);
  }
}

void IgnoreBrokenPipes() {
  struct sigaction current {};
  sigaction(SIGPIPE, nullptr, &current);
  if (current.sa_handler != SIG_DFL) return;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace

void PrepareStandardStreams() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) OpenIfClosed(descriptor);
  IgnoreBrokenPipes();
}

}  // namespace win32
