// winnt.h's doubly and singly linked list entries, the macros that find a record from one of its fields,
// ARRAYSIZE, locally unique identifiers, and the interlocked singly linked lists (SList), a stack many
// threads may push to and pop from.
#pragma once

#include <windef.h>

#include <stddef.h>

typedef struct _LIST_ENTRY {
  struct _LIST_ENTRY* Flink;
  struct _LIST_ENTRY* Blink;
} LIST_ENTRY, *PLIST_ENTRY, *PRLIST_ENTRY;

typedef struct _SINGLE_LIST_ENTRY {
  struct _SINGLE_LIST_ENTRY* Next;
} SINGLE_LIST_ENTRY, *PSINGLE_LIST_ENTRY;

#ifndef DECLSPEC_ALIGN
#define DECLSPEC_ALIGN(x) __attribute__((aligned(x)))
#endif

typedef struct DECLSPEC_ALIGN(16) _SLIST_ENTRY {
  struct _SLIST_ENTRY* Next;
} SLIST_ENTRY, *PSLIST_ENTRY;

// 16 bytes, 16-aligned, as on x64 Windows: the first entry and, beside it, the depth.
typedef union DECLSPEC_ALIGN(16) _SLIST_HEADER {
  struct {
    ULONGLONG Alignment;
    ULONGLONG Region;
  };
} SLIST_HEADER, *PSLIST_HEADER;

#ifndef FIELD_OFFSET
#define FIELD_OFFSET(type, field) ((LONG)offsetof(type, field))
#endif
#define CONTAINING_RECORD(address, type, field) ((type*)((char*)(address) - offsetof(type, field)))
#define RTL_FIELD_SIZE(type, field) (sizeof(((type*)0)->field))

// In C++ a pointer instead of an array does not compile, as with Windows' RTL_NUMBER_OF_V2.
#ifdef __cplusplus
extern "C++" template <typename T, size_t N>
char (*RtlpNumberOf(T (&)[N]))[N];
#define RTL_NUMBER_OF_V2(array) (sizeof(*RtlpNumberOf(array)))
#else
#define RTL_NUMBER_OF_V2(array) (sizeof(array) / sizeof((array)[0]))
#endif
#define RTL_NUMBER_OF_V1(array) (sizeof(array) / sizeof((array)[0]))
#define RTL_NUMBER_OF(array) RTL_NUMBER_OF_V1(array)
#define ARRAYSIZE(array) RTL_NUMBER_OF_V2(array)
#define _ARRAYSIZE(array) RTL_NUMBER_OF_V1(array)

#ifdef __cplusplus
extern "C" {
#endif

// Unique within the process's life, never zero.
BOOL WINAPI AllocateLocallyUniqueId(LUID* luid);

void WINAPI InitializeSListHead(PSLIST_HEADER head);
// Push returns the first entry before the push; Pop and Flush the first entry (null when empty).
PSLIST_ENTRY WINAPI InterlockedPushEntrySList(PSLIST_HEADER head, PSLIST_ENTRY entry);
PSLIST_ENTRY WINAPI InterlockedPopEntrySList(PSLIST_HEADER head);
PSLIST_ENTRY WINAPI InterlockedFlushSList(PSLIST_HEADER head);
USHORT WINAPI QueryDepthSList(PSLIST_HEADER head);

#ifdef __cplusplus
}  // extern "C"
#endif
