// PIX event markers (WinPixEventRuntime's <pix3.h>) without a PIX runtime. There is no PIX capture tool on
// this platform, so every call compiles to nothing, as the calls do on Windows when the runtime is absent:
// a program that brackets its work with events and markers builds and runs unchanged. Arguments are not
// evaluated for formatting, so they may be of any type the program's own format strings expect.
#pragma once

#include <windows.h>

// Colours: an explicit 0xAARRGGBB colour with full alpha, or an index into PIX's own palette.
#define PIX_COLOR(r, g, b) \
  ((UINT32)((0xffu << 24) | (((UINT32)(BYTE)(r)) << 16) | (((UINT32)(BYTE)(g)) << 8) | ((UINT32)(BYTE)(b))))
#define PIX_COLOR_INDEX(i) ((BYTE)(i))
#define PIX_COLOR_DEFAULT PIX_COLOR_INDEX(0)

#ifdef __cplusplus

// CPU events and markers: a colour, a format string and its arguments.
template <typename... Args>
inline void PIXBeginEvent(UINT64 /*color*/, PCSTR /*format*/, const Args&... /*args*/) {}
template <typename... Args>
inline void PIXBeginEvent(UINT64 /*color*/, PCWSTR /*format*/, const Args&... /*args*/) {}
template <typename... Args>
inline void PIXSetMarker(UINT64 /*color*/, PCSTR /*format*/, const Args&... /*args*/) {}
template <typename... Args>
inline void PIXSetMarker(UINT64 /*color*/, PCWSTR /*format*/, const Args&... /*args*/) {}
inline void PIXEndEvent() {}

// GPU events and markers on a context: a command list or a command queue.
template <typename Context, typename... Args>
inline void PIXBeginEvent(Context* /*context*/, UINT64 /*color*/, PCSTR /*format*/, const Args&... /*args*/) {}
template <typename Context, typename... Args>
inline void PIXBeginEvent(Context* /*context*/, UINT64 /*color*/, PCWSTR /*format*/, const Args&... /*args*/) {}
template <typename Context, typename... Args>
inline void PIXSetMarker(Context* /*context*/, UINT64 /*color*/, PCSTR /*format*/, const Args&... /*args*/) {}
template <typename Context, typename... Args>
inline void PIXSetMarker(Context* /*context*/, UINT64 /*color*/, PCWSTR /*format*/, const Args&... /*args*/) {}
template <typename Context>
inline void PIXEndEvent(Context* /*context*/) {}

// Counters, fence wake-ups and thread names only feed PIX's timing view.
inline void PIXReportCounter(PCWSTR /*name*/, float /*value*/) {}
inline void PIXNotifyWakeFromFenceSignal(HANDLE /*event*/) {}

// PIXScopedEvent(...) takes PIXBeginEvent's arguments and ends the event at the end of the scope.
class PIXScopedEventObject {
 public:
  template <typename... Args>
  explicit PIXScopedEventObject(const Args&... /*args*/) {}
  PIXScopedEventObject(const PIXScopedEventObject&) = delete;
  PIXScopedEventObject& operator=(const PIXScopedEventObject&) = delete;
};

#define PIX_SCOPED_EVENT_JOIN_(a, b) a##b
#define PIX_SCOPED_EVENT_NAME_(line) PIX_SCOPED_EVENT_JOIN_(pixScopedEvent, line)
#define PIXScopedEvent(...) PIXScopedEventObject PIX_SCOPED_EVENT_NAME_(__LINE__)(__VA_ARGS__)

#endif  // __cplusplus
