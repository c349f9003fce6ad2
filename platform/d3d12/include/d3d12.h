// Direct3D 12 as DirectX-Headers declares it, plus the interface identifiers that __uuidof and
// IID_PPV_ARGS need here: MSVC reads them from the declarations, other compilers get them from
// DirectX-Headers' dxguids.h.
#pragma once

// The COM basics come first: d3d12.h expects a complete IUnknown.
#include <windows.h>

#include_next <d3d12.h>

#include <dxguids/dxguids.h>
