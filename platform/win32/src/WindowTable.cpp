#include "WindowTable.h"

namespace win32 {

WindowTable& WindowTable::Instance() {
  static WindowTable table;
  return table;
}

HWND WindowTable::Add(WindowRecord record) {
  std::lock_guard lock(mutex_);
  const HWND handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 2;
  record.handle = handle;
  if (record.sdlWindow == nullptr) record.eventSourceId = nextInMemorySourceId_++;
  windows_.emplace(handle, std::move(record));
  return handle;
}

std::optional<WindowRecord> WindowTable::Find(HWND window) const {
  std::lock_guard lock(mutex_);
  auto found = windows_.find(window);
  return found != windows_.end() ? std::optional<WindowRecord>(found->second) : std::nullopt;
}

bool WindowTable::Modify(HWND window, const std::function<void(WindowRecord&)>& change) {
  std::lock_guard lock(mutex_);
  auto found = windows_.find(window);
  if (found == windows_.end()) return false;
  change(found->second);
  return true;
}

HWND WindowTable::FindFirst(const std::function<bool(const WindowRecord&)>& matches) const {
  std::lock_guard lock(mutex_);
  for (const auto& [handle, record] : windows_) {
    if (matches(record)) return handle;
  }
  return nullptr;
}

HWND WindowTable::FindByEventSource(uint32_t eventSourceId) const {
  return FindFirst([eventSourceId](const WindowRecord& record) { return record.eventSourceId == eventSourceId; });
}

std::vector<HWND> WindowTable::Handles() const {
  std::lock_guard lock(mutex_);
  std::vector<HWND> handles;
  for (const auto& entry : windows_) handles.push_back(entry.first);
  return handles;
}

void WindowTable::Remove(HWND window) {
  std::lock_guard lock(mutex_);
  windows_.erase(window);
}

SizeReport CurrentSizeReport(const WindowRecord& window) {
  switch (window.placement) {
    case Placement::Minimized:
      return {SIZE_MINIMIZED, 0, 0};
    case Placement::Maximized:
      return {SIZE_MAXIMIZED, window.clientWidth, window.clientHeight};
    case Placement::Normal:
      break;
  }
  return {SIZE_RESTORED, window.clientWidth, window.clientHeight};
}

}  // namespace win32
