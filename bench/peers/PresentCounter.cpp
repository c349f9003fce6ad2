// Preloaded into a program (LD_PRELOAD) to log the moment of every frame it presents, one monotonic
// timestamp in seconds per line, to the file named by PRESENT_LOG. It wraps the two ways the programs
// of the peer comparison show a frame: glXSwapBuffers (an OpenGL viewer under X) and vkQueuePresentKHR
// (the engine's swap chain). Counting presented frames from outside treats every program alike, whatever
// its own frame counter measures.
#include <vulkan/vulkan.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Opened on the first presented frame; -1 when PRESENT_LOG is unset or cannot be opened.
int LogFile() {
  static const int file = [] {
    const char* path = std::getenv("PRESENT_LOG");
    if (path == nullptr) return -1;
    // O_APPEND: the measuring script truncates the log to start a measurement window while we write.
    const int opened = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (opened < 0) std::fprintf(stderr, "present_counter: cannot open PRESENT_LOG %s\n", path);
    return opened;
  }();
  return file;
}

void LogPresentedFrame() {
  const int file = LogFile();
  if (file < 0) return;
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[48];
  const int length = std::snprintf(line, sizeof line, "%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
  // One write per line, so a truncation between frames never leaves half a line behind.
  if (write(file, line, static_cast<size_t>(length)) != length) return;
}

template <typename Function>
Function Next(const char* name) {
  void* symbol = dlsym(RTLD_NEXT, name);
  if (symbol == nullptr) {
    std::fprintf(stderr, "present_counter: %s not found after the preloaded library\n", name);
    std::abort();
  }
  return reinterpret_cast<Function>(symbol);
}

}  // namespace

// The X11 types by their ABI (Display* and the XID drawable), so no GL headers are needed.
extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
  using SwapBuffers = void (*)(void*, unsigned long);
  static const SwapBuffers next = Next<SwapBuffers>("glXSwapBuffers");
  next(display, drawable);
  LogPresentedFrame();
}

extern "C" VKAPI_ATTR VkResult VKAPI_CALL vkQueuePresentKHR(VkQueue queue, const VkPresentInfoKHR* info) {
  static const PFN_vkQueuePresentKHR next = Next<PFN_vkQueuePresentKHR>("vkQueuePresentKHR");
  const VkResult result = next(queue, info);
  if (result == VK_SUCCESS || result == VK_SUBOPTIMAL_KHR) LogPresentedFrame();
  return result;
}
