// The debug C runtime's checks. In a _DEBUG build a failed _ASSERT or _ASSERTE prints the file, the line
// (and for _ASSERTE the expression) to stderr and stops the program, as the debug runtime's dialog does
// when its Abort button is pressed; without _DEBUG they vanish, as on Windows. The leak-check flags are
// accepted and do nothing: LeakSanitizer does that job here.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#define _CRTDBG_ALLOC_MEM_DF 0x01
#define _CRTDBG_DELAY_FREE_MEM_DF 0x02
#define _CRTDBG_CHECK_ALWAYS_DF 0x04
#define _CRTDBG_CHECK_CRT_DF 0x10
#define _CRTDBG_LEAK_CHECK_DF 0x20
#define _CRTDBG_REPORT_FLAG (-1)
#define _CRT_WARN 0
#define _CRT_ERROR 1
#define _CRT_ASSERT 2

#ifdef _DEBUG
#define _CRTDBG_FAIL(text)                                                               \
  (fprintf(stderr, "%s(%d): assertion failed%s%s\n", __FILE__, __LINE__, (text)[0] ? ": " : "", (text)), \
   abort())
#define _ASSERT_EXPR(expression, message) ((void)(!!(expression) || (_CRTDBG_FAIL(message), 0)))
#define _ASSERT(expression) _ASSERT_EXPR((expression), "")
#define _ASSERTE(expression) _ASSERT_EXPR((expression), #expression)
#define _RPT0(type, message) fprintf(stderr, "%s", (message))
#define _RPT1(type, format, a) fprintf(stderr, (format), (a))
#define _RPT2(type, format, a, b) fprintf(stderr, (format), (a), (b))
#else
#define _ASSERT_EXPR(expression, message) ((void)0)
#define _ASSERT(expression) ((void)0)
#define _ASSERTE(expression) ((void)0)
#define _RPT0(type, message) ((void)0)
#define _RPT1(type, format, a) ((void)0)
#define _RPT2(type, format, a, b) ((void)0)
#endif

static inline int _CrtSetDbgFlag(int flags) { return flags == _CRTDBG_REPORT_FLAG ? 0 : flags; }
static inline int _CrtDumpMemoryLeaks(void) { return 0; }
