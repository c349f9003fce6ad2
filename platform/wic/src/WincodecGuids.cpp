// The one definition of every GUID <wincodec.h> declares. Redefining DEFINE_GUID before the header is what
// including <initguid.h> does on Windows.
#include <windows.h>

#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  EXTERN_C const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

#include <wincodec.h>
