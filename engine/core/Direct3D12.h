// The engine's one way into the Direct3D 12, DXGI and shader-compiler headers. Every source includes this
// instead of the system headers, so that each toolchain reads the same declarations and every __uuidof and
// IID_PPV_ARGS finds its interface identifier.
#pragma once

// The COM basics come first: the Direct3D headers expect a complete IUnknown.
#include <windows.h>

#if defined(_WIN32)
// On Windows, DirectX-Headers' d3d12.h rather than the Windows SDK's or mingw-w64's own: d3dx12.h is written
// against it, and mingw-w64's is older than both. The directx/ prefix keeps the two apart.
#include <directx/d3d12.h>
#include <directx/d3dx12.h>
// MSVC reads an interface's identifier from its declaration; mingw-w64 finds __uuidof's answer for the
// Direct3D 12 interfaces only here (the DXGI and compiler headers carry their own).
#include <dxguids/dxguids.h>
#else
// On Linux the platform layer's headers wrap DirectX-Headers with the identifiers already attached.
#include <d3d12.h>
#include <d3dx12.h>
#endif

#include <d3dcompiler.h>
#include <dxgi1_4.h>
