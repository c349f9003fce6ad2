// Holds back the work of command queues that wait for fence values nobody has signalled yet. All command
// queues share the device's one Vulkan queue, which runs submissions in order: a submission waiting for a
// value that a later submission (of another Direct3D 12 queue) signals would stop that Vulkan queue for
// good, and a value the CPU signals later would stop every other Direct3D 12 queue until then. So a queue
// keeps such work on the CPU and submits it once each value it waits for has been signalled by the CPU or
// submitted for signalling; every new signal gives the held work of all queues another chance.
#pragma once

#include <mutex>
#include <vector>

namespace d3d12vk {

class CommandQueue;

class QueueScheduler {
 public:
  // Held work and fence signals change only under this lock, so a signal and the submissions it releases
  // reach Vulkan in the order the program asked for them.
  std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }

  void Register(CommandQueue* queue);
  void Unregister(CommandQueue* queue);

  // Submits the held work of every queue that can go now; with the lock held, after a fence value was
  // signalled or submitted for signalling. Releasing one queue may release another, so it repeats until
  // no queue moves.
  void SubmitReadyWork();

 private:
  std::mutex mutex_;
  std::vector<CommandQueue*> queues_;
};

}  // namespace d3d12vk
