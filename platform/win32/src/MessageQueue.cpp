#include "MessageQueue.h"

#include <algorithm>

namespace win32 {
namespace {

bool Matches(const MSG& message, const MessageFilter& filter) {
  if (filter.window == kThreadMessagesOnly && message.hwnd != nullptr) return false;
  if (filter.window != nullptr && filter.window != kThreadMessagesOnly && message.hwnd != filter.window) return false;
  if (filter.first == 0 && filter.last == 0) return true;
  return message.message >= filter.first && message.message <= filter.last;
}

bool Coalesces(UINT message) { return message == WM_MOUSEMOVE || message == WM_SIZE; }

}  // namespace

MessageQueue& MessageQueue::Instance() {
  static MessageQueue queue;
  return queue;
}

void MessageQueue::Post(const MSG& message) {
  std::lock_guard lock(mutex_);
  posted_.push_back({message, std::nullopt});
}

void MessageQueue::PostInput(const QueuedMessage& input) {
  std::lock_guard lock(mutex_);
  if (Coalesces(input.message.message) && !input_.empty()) {
    // Only the newest message may be replaced: an older move must not overtake a click that followed it.
    QueuedMessage& newest = input_.back();
    if (newest.message.message == input.message.message && newest.message.hwnd == input.message.hwnd) {
      newest = input;
      return;
    }
  }
  input_.push_back(input);
}

void MessageQueue::PostQuit(int exitCode) {
  std::lock_guard lock(mutex_);
  quitRequested_ = true;
  quitCode_ = exitCode;
}

std::optional<QueuedMessage> MessageQueue::TakeFrom(std::deque<QueuedMessage>& queue, const MessageFilter& filter,
                                                    bool remove) {
  auto found = std::find_if(queue.begin(), queue.end(),
                            [&](const QueuedMessage& queued) { return Matches(queued.message, filter); });
  if (found == queue.end()) return std::nullopt;
  QueuedMessage taken = *found;
  if (remove) queue.erase(found);
  return taken;
}

std::optional<QueuedMessage> MessageQueue::Take(const MessageFilter& filter, bool remove) {
  std::lock_guard lock(mutex_);
  if (auto posted = TakeFrom(posted_, filter, remove)) return posted;
  // The quit request is answered whatever the filter, and only once.
  if (quitRequested_) {
    if (remove) quitRequested_ = false;
    QueuedMessage quit;
    quit.message.message = WM_QUIT;
    quit.message.wParam = static_cast<WPARAM>(quitCode_);
    return quit;
  }
  return TakeFrom(input_, filter, remove);
}

void MessageQueue::DiscardFor(HWND window) {
  std::lock_guard lock(mutex_);
  auto forWindow = [window](const QueuedMessage& queued) { return queued.message.hwnd == window; };
  std::erase_if(posted_, forWindow);
  std::erase_if(input_, forWindow);
}

void MessageQueue::Clear() {
  std::lock_guard lock(mutex_);
  posted_.clear();
  input_.clear();
  quitRequested_ = false;
  quitCode_ = 0;
}

}  // namespace win32
