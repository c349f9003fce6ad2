#include "QueueScheduler.h"

#include "CommandQueue.h"

#include <algorithm>

namespace d3d12vk {

void QueueScheduler::Register(CommandQueue* queue) {
  std::lock_guard lock(mutex_);
  queues_.push_back(queue);
}

void QueueScheduler::Unregister(CommandQueue* queue) {
  std::lock_guard lock(mutex_);
  queues_.erase(std::remove(queues_.begin(), queues_.end(), queue), queues_.end());
}

void QueueScheduler::SubmitReadyWork() {
  bool signalled = true;
  while (signalled) {
    signalled = false;
    for (CommandQueue* queue : queues_) signalled = queue->SubmitReadyWork() || signalled;
  }
}

}  // namespace d3d12vk
