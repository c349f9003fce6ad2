// Storage for the shader reflection interface identifiers d3d12shader.h declares (DirectX-Headers' guid
// library leaves them out).
#include <windows.h>

#include <d3dcommon.h>  // its identifiers are defined in DirectX-Headers' guid library, so only declared here

// Turn the declarations that follow into definitions.
#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  EXTERN_C const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

#include <d3d12shader.h>
