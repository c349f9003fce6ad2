#include "DragDrop.h"

#include <shellapi.h>

#include "Diagnostics.h"
#include "WindowTable.h"
#include "platform_common/UnicodeText.h"

#include <SDL_stdinc.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace win32 {
namespace {

constexpr UINT kFileCountQuery = 0xFFFFFFFF;

// The drops handed out and not finished yet. Handles are keys, never pointers, and are not reused, so a
// finished or made-up HDROP is reported instead of being followed.
class DropTable {
 public:
  static DropTable& Instance() {
    static DropTable table;
    return table;
  }

  HDROP Add(std::vector<std::string> files) {
    std::lock_guard lock(mutex_);
    const auto drop = reinterpret_cast<HDROP>(nextHandle_);
    nextHandle_ += 4;
    drops_[drop] = std::move(files);
    return drop;
  }

  // The files of the drop, or false when there is no such drop.
  bool Find(HDROP drop, std::vector<std::string>& files) const {
    std::lock_guard lock(mutex_);
    const auto found = drops_.find(drop);
    if (found == drops_.end()) return false;
    files = found->second;
    return true;
  }

  bool Remove(HDROP drop) {
    std::lock_guard lock(mutex_);
    return drops_.erase(drop) > 0;
  }

  // Files of a drop still coming in, by the SDL window they are dropped on.
  void AddPending(uint32_t windowId, std::string file) {
    std::lock_guard lock(mutex_);
    pending_[windowId].push_back(std::move(file));
  }

  std::vector<std::string> TakePending(uint32_t windowId) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> files = std::move(pending_[windowId]);
    pending_.erase(windowId);
    return files;
  }

 private:
  mutable std::mutex mutex_;
  std::map<HDROP, std::vector<std::string>> drops_;
  std::map<uint32_t, std::vector<std::string>> pending_;
  uintptr_t nextHandle_ = 0xD7000;
};

bool AcceptsFiles(HWND window) {
  const auto record = WindowTable::Instance().Find(window);
  return record && (record->exStyle & WS_EX_ACCEPTFILES) != 0;
}

void PostDrop(uint32_t windowId) {
  std::vector<std::string> files = DropTable::Instance().TakePending(windowId);
  const HWND window = WindowTable::Instance().FindByEventSource(windowId);
  // Like Windows, a window that does not accept files is not told about the drop.
  if (files.empty() || window == nullptr || !AcceptsFiles(window)) return;
  const HDROP drop = DropTable::Instance().Add(std::move(files));
  PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
}

// The shared part of both forms: the count, a length, or a copy of at most size - 1 units and the null.
template <typename Char>
UINT QueryFile(const char* call, HDROP drop, UINT index, Char* file, UINT size,
               std::basic_string<Char> (*convert)(const std::string&)) {
  std::vector<std::string> files;
  if (!DropTable::Instance().Find(drop, files)) {
    FailCall(call, ERROR_INVALID_HANDLE, "%p is not a drop handle that has not been finished",
             static_cast<void*>(drop));
    return 0;
  }
  if (index == kFileCountQuery) return static_cast<UINT>(files.size());
  if (index >= files.size()) {
    FailCall(call, ERROR_INVALID_PARAMETER, "file %u of a drop of %zu files", index, files.size());
    return 0;
  }
  const std::basic_string<Char> name = convert(files[index]);
  if (file == nullptr) return static_cast<UINT>(name.size());
  if (size == 0) return 0;
  const size_t copied = std::min<size_t>(name.size(), size - 1);
  std::copy_n(name.data(), copied, file);
  file[copied] = Char{0};
  return static_cast<UINT>(copied);
}

std::wstring Wide(const std::string& utf8) { return platform::WideFromUtf8(utf8); }
std::string Narrow(const std::string& utf8) { return utf8; }

}  // namespace

void TranslateDropEvent(const SDL_DropEvent& event) {
  switch (event.type) {
    case SDL_DROPFILE:
      if (event.file != nullptr && event.windowID != 0) DropTable::Instance().AddPending(event.windowID, event.file);
      break;
    case SDL_DROPCOMPLETE:
      PostDrop(event.windowID);
      break;
    default:
      break;  // the start of a drop, and dropped text, which Windows does not post as files
  }
  SDL_free(event.file);
}

}  // namespace win32

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
  const bool found = win32::WindowTable::Instance().Modify(window, [&](win32::WindowRecord& record) {
    record.exStyle = accept ? (record.exStyle | WS_EX_ACCEPTFILES) : (record.exStyle & ~DWORD{WS_EX_ACCEPTFILES});
  });
  if (!found) {
    win32::FailCall("DragAcceptFiles", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle",
                    static_cast<void*>(window));
  }
}

UINT WINAPI DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT size) {
  return win32::QueryFile<wchar_t>("DragQueryFileW", drop, index, file, size, win32::Wide);
}

UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
  return win32::QueryFile<char>("DragQueryFileA", drop, index, file, size, win32::Narrow);
}

void WINAPI DragFinish(HDROP drop) {
  if (!win32::DropTable::Instance().Remove(drop)) {
    win32::FailCall("DragFinish", ERROR_INVALID_HANDLE, "%p is not a drop handle that has not been finished",
                    static_cast<void*>(drop));
  }
}
