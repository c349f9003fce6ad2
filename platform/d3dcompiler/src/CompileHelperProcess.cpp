#include "CompileHelperProcess.h"

#include "CompileChannel.h"
#include "CompileHelperServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

extern char** environ;

namespace d3dcompiler {

namespace {

constexpr const char* HelperName = "d3dcompile-helper";

bool IsExecutableFile(const std::string& path) {
  struct stat status{};
  return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FindHelper() {
  if (const char* named = std::getenv("D3DCOMPILER_HELPER"); named != nullptr && named[0] != '\0') return named;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::string beside = (program.parent_path() / HelperName).string();
    if (IsExecutableFile(beside)) return beside;
  }
#ifdef D3DCOMPILE_HELPER_BUILD_PATH
  if (IsExecutableFile(D3DCOMPILE_HELPER_BUILD_PATH)) return D3DCOMPILE_HELPER_BUILD_PATH;
#endif
  return {};
}

// The helper starts with every signal at its default and none blocked, whatever the program set, so that
// a crash ends it rather than being caught or ignored.
bool PrepareAttributes(posix_spawnattr_t* attributes) {
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  return posix_spawnattr_init(attributes) == 0 && posix_spawnattr_setsigmask(attributes, &none) == 0 &&
         posix_spawnattr_setsigdefault(attributes, &all) == 0 &&
         posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
}

std::unique_ptr<CompileHelper> Start(const std::string& path, std::string* problem) {
  int ends[2];
  // Close-on-exec keeps the program's end out of this and every other child; the helper's end is
  // duplicated onto its fixed descriptor, which clears the flag there.
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    *problem = std::string("cannot create a socket for the compile helper: ") + std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], CompileHelperSocket);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t process = -1;
  char* arguments[] = {const_cast<char*>(HelperName), nullptr};
  int spawned = PrepareAttributes(&attributes) ? 0 : EINVAL;
  if (spawned == 0) spawned = posix_spawn(&process, path.c_str(), &actions, &attributes, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(ends[1]);
  if (spawned != 0) {
    close(ends[0]);
    *problem = "cannot start the compile helper " + path + ": " + std::strerror(spawned);
    return nullptr;
  }
  auto helper = std::make_unique<CompileHelper>(process, ends[0]);
  // The helper says first which messages it speaks; one from another build is ended, not misread.
  constexpr int HelloPatienceMilliseconds = 30 * 1000;
  Message hello;
  const ReceiveStatus status = ReceiveFrame(helper->Socket(), HelloPatienceMilliseconds, &hello);
  MessageReader version(hello.Payload);
  if (status != ReceiveStatus::Received || hello.Kind != MessageKind::Hello ||
      version.Number() != CompileProtocolVersion) {
    *problem = "the compile helper " + path + " is not the one of this build (rebuild it with the program; it " +
               (status == ReceiveStatus::Received ? std::string("speaks another version") : helper->End()) + ")";
    return nullptr;
  }
  return helper;
}

// Idle helpers, shared by every thread; a compilation takes one, so several can run at once.
struct HelperPool {
  std::mutex Lock;
  std::vector<std::unique_ptr<CompileHelper>> Idle;
  pid_t Owner = getpid();  // a forked copy of the program inherits the idle helpers but must not share them
};

HelperPool& Pool();

// At exit the idle helpers are ended and reaped before the program is gone, so that nothing it started
// outlives it (a forked copy lets go of its parent's instead).
void EndIdleHelpers() {
  HelperPool& pool = Pool();
  std::lock_guard<std::mutex> hold(pool.Lock);
  if (pool.Owner != getpid()) {
    for (std::unique_ptr<CompileHelper>& inherited : pool.Idle) inherited->Abandon();
  }
  pool.Idle.clear();
}

// Never destroyed, so it serves a compile from another static's destructor too.
HelperPool& Pool() {
  static HelperPool* pool = [] {
    std::atexit(EndIdleHelpers);
    return new HelperPool;
  }();
  return *pool;
}

}  // namespace

CompileHelper::~CompileHelper() {
  close(socket_);
  if (!reaped_) End();
}

void CompileHelper::Abandon() {
  reaped_ = true;
}

std::string CompileHelper::End(bool hung) {
  if (reaped_) return "had ended";
  reaped_ = true;
  int status = 0;
  pid_t waited = waitpid(process_, &status, WNOHANG);
  // A helper whose socket closed is on its way out (a sanitizer may still be writing its report).
  for (int i = 0; i < 1000 && waited == 0 && !hung; ++i) {
    usleep(2000);
    waited = waitpid(process_, &status, WNOHANG);
  }
  if (waited == 0) {
    kill(process_, SIGKILL);
    while ((waited = waitpid(process_, &status, 0)) < 0 && errno == EINTR) {
    }
  }
  if (waited != process_) return "stopped unexpectedly";  // reaped by the program's own SIGCHLD handling
  if (WIFSIGNALED(status)) {
    return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  }
  return "exited with code " + std::to_string(WEXITSTATUS(status));
}

const std::string& CompileHelperPath() {
  static const std::string path = FindHelper();
  return path;
}

std::unique_ptr<CompileHelper> TakeCompileHelper(std::string* problem) {
  {
    HelperPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.Lock);
    if (pool.Owner != getpid()) {
      for (std::unique_ptr<CompileHelper>& inherited : pool.Idle) inherited->Abandon();
      pool.Idle.clear();
      pool.Owner = getpid();
    }
    if (!pool.Idle.empty()) {
      std::unique_ptr<CompileHelper> helper = std::move(pool.Idle.back());
      pool.Idle.pop_back();
      return helper;
    }
  }
  // A helper that cannot be started once is not tried again by this process.
  static std::atomic<bool> unusable{false};
  if (CompileHelperPath().empty()) {
    *problem = std::string("no ") + HelperName + " beside the program";
    return nullptr;
  }
  if (unusable) {
    *problem = "the compile helper could not be started";
    return nullptr;
  }
  std::unique_ptr<CompileHelper> started = Start(CompileHelperPath(), problem);
  if (started == nullptr) unusable = true;
  return started;
}

void ReturnCompileHelper(std::unique_ptr<CompileHelper> helper) {
  HelperPool& pool = Pool();
  std::lock_guard<std::mutex> hold(pool.Lock);
  pool.Idle.push_back(std::move(helper));
}

}  // namespace d3dcompiler
