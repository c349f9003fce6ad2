// Waiting on a 32-bit word in memory (Linux futexes): what the Windows locks and condition variables,
// which must fit in Windows' few bytes and need no destruction, are built on.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace win32 {

// Blocks while `*word == expected`, for at most `milliseconds` (INFINITE for no limit); false when the
// time ran out. May return early (a wake, a signal, or the word no longer matching).
bool FutexWait(std::atomic<uint32_t>* word, uint32_t expected, DWORD milliseconds);
void FutexWake(std::atomic<uint32_t>* word, int count);

// A pointer-sized Windows field used as a futex word: its first four bytes.
inline std::atomic<uint32_t>* FutexWordOf(void* field) { return reinterpret_cast<std::atomic<uint32_t>*>(field); }

}  // namespace win32
