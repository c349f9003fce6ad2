#include "Futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "a futex word must be a plain 32-bit word");

namespace win32 {

bool FutexWait(std::atomic<uint32_t>* word, uint32_t expected, DWORD milliseconds) {
  timespec timeout{};
  timespec* limit = nullptr;
  if (milliseconds != INFINITE) {
    timeout.tv_sec = milliseconds / 1000;
    timeout.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    limit = &timeout;
  }
  const long result = syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, limit,
                              nullptr, 0);
  return !(result == -1 && errno == ETIMEDOUT);
}

void FutexWake(std::atomic<uint32_t>* word, int count) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

}  // namespace win32
