// Memory helpers and the interlocked operations, on the compiler's atomic builtins. Every operation is a
// full barrier, as the Windows ones are.
#pragma once

#include <windef.h>

#include <winnt_lists.h>

#include <string.h>

#define ZeroMemory(destination, length) memset((destination), 0, (length))
#define RtlZeroMemory(destination, length) memset((destination), 0, (length))
#define CopyMemory(destination, source, length) memcpy((destination), (source), (length))
#define RtlCopyMemory(destination, source, length) memcpy((destination), (source), (length))
#define MoveMemory(destination, source, length) memmove((destination), (source), (length))
#define FillMemory(destination, length, fill) memset((destination), (fill), (length))
#define SecureZeroMemory(destination, length) explicit_bzero((destination), (length))

#ifndef FORCEINLINE
#define FORCEINLINE __forceinline
#endif

// The largest values of the fixed-size types, as basetsd.h names them.
#define MAXUINT8 ((UINT8)~((UINT8)0))
#define MAXUINT16 ((UINT16)~((UINT16)0))
#define MAXUINT32 ((UINT32)~((UINT32)0))
#define MAXUINT64 ((UINT64)~((UINT64)0))
#define MAXINT32 ((INT32)(MAXUINT32 >> 1))
#define MAXINT64 ((INT64)(MAXUINT64 >> 1))
#define MAXUINT ((UINT)~((UINT)0))
#define MAXDWORD 0xffffffff
#define MAXSIZE_T ((SIZE_T)~((SIZE_T)0))

#define MemoryBarrier() __atomic_thread_fence(__ATOMIC_SEQ_CST)
#if defined(__x86_64__) || defined(__i386__)
#define YieldProcessor() __builtin_ia32_pause()
#else
#define YieldProcessor() __asm__ __volatile__("yield")
#endif

// Increment, Decrement and Add return the new value; Exchange, CompareExchange, ExchangeAdd, And, Or and
// Xor return the value before the operation. The 64-bit forms carry the 64 suffix.
#define WIN32_INTERLOCKED_FAMILY(Type, Suffix)                                                                       \
  static inline Type InterlockedIncrement##Suffix(Type volatile* addend) {                                           \
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);                                                          \
  }                                                                                                                  \
  static inline Type InterlockedDecrement##Suffix(Type volatile* addend) {                                           \
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);                                                          \
  }                                                                                                                  \
  static inline Type InterlockedAdd##Suffix(Type volatile* addend, Type value) {                                     \
    return __atomic_add_fetch(addend, value, __ATOMIC_SEQ_CST);                                                      \
  }                                                                                                                  \
  static inline Type InterlockedExchangeAdd##Suffix(Type volatile* addend, Type value) {                             \
    return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);                                                      \
  }                                                                                                                  \
  static inline Type InterlockedExchange##Suffix(Type volatile* target, Type value) {                                \
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);                                                     \
  }                                                                                                                  \
  static inline Type InterlockedCompareExchange##Suffix(Type volatile* destination, Type exchange, Type comparand) { \
    __atomic_compare_exchange_n(destination, &comparand, exchange, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);           \
    return comparand;                                                                                                \
  }                                                                                                                  \
  static inline Type InterlockedAnd##Suffix(Type volatile* destination, Type value) {                                \
    return __atomic_fetch_and(destination, value, __ATOMIC_SEQ_CST);                                                 \
  }                                                                                                                  \
  static inline Type InterlockedOr##Suffix(Type volatile* destination, Type value) {                                 \
    return __atomic_fetch_or(destination, value, __ATOMIC_SEQ_CST);                                                  \
  }                                                                                                                  \
  static inline Type InterlockedXor##Suffix(Type volatile* destination, Type value) {                                \
    return __atomic_fetch_xor(destination, value, __ATOMIC_SEQ_CST);                                                 \
  }

WIN32_INTERLOCKED_FAMILY(LONG, )
WIN32_INTERLOCKED_FAMILY(LONG64, 64)
#ifdef __cplusplus
// C++ programs may also name the unsigned types, 32- and 64-bit, without a suffix (InterlockedExchange on a
// UINT64 fence value), as Windows' winnt.h offers them as overloads.
extern "C++" {
WIN32_INTERLOCKED_FAMILY(unsigned int, )
WIN32_INTERLOCKED_FAMILY(unsigned long, )
WIN32_INTERLOCKED_FAMILY(unsigned long long, )
}
#endif
#undef WIN32_INTERLOCKED_FAMILY

static inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

static inline PVOID InterlockedCompareExchangePointer(PVOID volatile* destination, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(destination, &comparand, exchange, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

// The 16-bit and the explicitly 32-bit spellings.
static inline SHORT InterlockedIncrement16(SHORT volatile* addend) {
  return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}
static inline SHORT InterlockedDecrement16(SHORT volatile* addend) {
  return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}
static inline SHORT InterlockedCompareExchange16(SHORT volatile* destination, SHORT exchange, SHORT comparand) {
  __atomic_compare_exchange_n(destination, &comparand, exchange, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
