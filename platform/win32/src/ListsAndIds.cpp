// Locally unique identifiers and the interlocked singly linked lists. A list's header guards itself with a
// lock bit beside the depth, held only for the few instructions of one push or pop.

#include "Diagnostics.h"

#include <atomic>
#include <cstring>
#include <utility>

static_assert(sizeof(SLIST_HEADER) == 16 && alignof(SLIST_HEADER) == 16, "SLIST_HEADER must have its x64 layout");

namespace {

constexpr ULONGLONG kLocked = 1ull << 63;
constexpr ULONGLONG kDepth = 0xFFFF;

std::atomic<ULONGLONG>& RegionOf(PSLIST_HEADER head) {
  return *reinterpret_cast<std::atomic<ULONGLONG>*>(&head->Region);
}

// Runs `change` on the first entry and the depth with the header locked.
template <typename Change>
PSLIST_ENTRY WithListLocked(PSLIST_HEADER head, Change change) {
  std::atomic<ULONGLONG>& region = RegionOf(head);
  while (region.fetch_or(kLocked, std::memory_order_acquire) & kLocked) YieldProcessor();
  PSLIST_ENTRY first = nullptr;
  std::memcpy(&first, &head->Alignment, sizeof(first));
  ULONGLONG depth = region.load(std::memory_order_relaxed) & kDepth;
  PSLIST_ENTRY result = change(first, depth);
  std::memcpy(&head->Alignment, &first, sizeof(first));
  region.store(depth & kDepth, std::memory_order_release);
  return result;
}

}  // namespace

BOOL WINAPI AllocateLocallyUniqueId(LUID* luid) {
  static std::atomic<uint64_t> next{0x1000};
  if (luid == nullptr) {
    win32::FailCall("AllocateLocallyUniqueId", ERROR_INVALID_PARAMETER, "the LUID pointer is null");
    return FALSE;
  }
  const uint64_t value = next.fetch_add(1);
  luid->LowPart = static_cast<ULONG>(value);
  luid->HighPart = static_cast<LONG>(value >> 32);
  return TRUE;
}

void WINAPI InitializeSListHead(PSLIST_HEADER head) {
  head->Alignment = 0;
  head->Region = 0;
}

PSLIST_ENTRY WINAPI InterlockedPushEntrySList(PSLIST_HEADER head, PSLIST_ENTRY entry) {
  return WithListLocked(head, [entry](PSLIST_ENTRY& first, ULONGLONG& depth) {
    PSLIST_ENTRY previous = first;
    entry->Next = previous;
    first = entry;
    ++depth;
    return previous;
  });
}

PSLIST_ENTRY WINAPI InterlockedPopEntrySList(PSLIST_HEADER head) {
  return WithListLocked(head, [](PSLIST_ENTRY& first, ULONGLONG& depth) {
    PSLIST_ENTRY popped = first;
    if (popped != nullptr) {
      first = popped->Next;
      --depth;
    }
    return popped;
  });
}

PSLIST_ENTRY WINAPI InterlockedFlushSList(PSLIST_HEADER head) {
  return WithListLocked(head, [](PSLIST_ENTRY& first, ULONGLONG& depth) {
    depth = 0;
    return std::exchange(first, nullptr);
  });
}

USHORT WINAPI QueryDepthSList(PSLIST_HEADER head) {
  return static_cast<USHORT>(RegionOf(head).load(std::memory_order_acquire) & kDepth);
}
