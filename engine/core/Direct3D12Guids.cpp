// Defines the Direct3D 12 interface identifiers that code names directly (IID_ID3D12Device in d3dx12's
// UpdateSubresources) for mingw-w64, whose libdxguid has none for Direct3D 12. The Windows SDK's dxguid.lib
// and the Linux layer define them already. After <initguid.h>, DEFINE_GUID makes selectany definitions,
// so an identifier a library defines too does not collide.
#if defined(__MINGW32__)
// The COM basics first, so that only the Direct3D declarations below become definitions.
#include <windows.h>

#include <initguid.h>

#include "core/Direct3D12.h"
#endif
