// Storage for the DXGI interface identifiers our DXGI headers declare (DirectX-Headers' guid library has
// only the Direct3D ones).
#include <windows.h>

// Turn the declarations that follow into definitions.
#undef DEFINE_GUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  EXTERN_C const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

#include <dxgi1_6.h>
