// DXGI 1.6: IDXGIFactory6 (adapters in order of GPU preference) and IDXGIAdapter4.
#pragma once

#include "dxgi1_5.h"

typedef enum DXGI_GPU_PREFERENCE {
  DXGI_GPU_PREFERENCE_UNSPECIFIED = 0,
  DXGI_GPU_PREFERENCE_MINIMUM_POWER = 1,
  DXGI_GPU_PREFERENCE_HIGH_PERFORMANCE = 2
} DXGI_GPU_PREFERENCE;

typedef enum DXGI_ADAPTER_FLAG3 {
  DXGI_ADAPTER_FLAG3_NONE = 0,
  DXGI_ADAPTER_FLAG3_REMOTE = 1,
  DXGI_ADAPTER_FLAG3_SOFTWARE = 2,
  DXGI_ADAPTER_FLAG3_ACG_COMPATIBLE = 4,
  DXGI_ADAPTER_FLAG3_SUPPORT_MONITORED_FENCES = 8,
  DXGI_ADAPTER_FLAG3_SUPPORT_NON_MONITORED_FENCES = 0x10,
  DXGI_ADAPTER_FLAG3_KEYED_MUTEX_CONFORMANCE = 0x20,
  DXGI_ADAPTER_FLAG3_FORCE_DWORD = 0xffffffff
} DXGI_ADAPTER_FLAG3;

typedef struct DXGI_ADAPTER_DESC3 {
  WCHAR Description[128];
  UINT VendorId;
  UINT DeviceId;
  UINT SubSysId;
  UINT Revision;
  SIZE_T DedicatedVideoMemory;
  SIZE_T DedicatedSystemMemory;
  SIZE_T SharedSystemMemory;
  LUID AdapterLuid;
  DXGI_ADAPTER_FLAG3 Flags;
  DXGI_GRAPHICS_PREEMPTION_GRANULARITY GraphicsPreemptionGranularity;
  DXGI_COMPUTE_PREEMPTION_GRANULARITY ComputePreemptionGranularity;
} DXGI_ADAPTER_DESC3;

MIDL_INTERFACE("3c8d99d1-4fbf-4181-a82c-af66bf7bd24e")
IDXGIAdapter4 : public IDXGIAdapter3 {
  virtual HRESULT STDMETHODCALLTYPE GetDesc3(DXGI_ADAPTER_DESC3* pDesc) = 0;
};
__CRT_UUID_DECL(IDXGIAdapter4, 0x3c8d99d1, 0x4fbf, 0x4181, 0xa8, 0x2c, 0xaf, 0x66, 0xbf, 0x7b, 0xd2, 0x4e)

MIDL_INTERFACE("c1b6694f-ff09-44a9-b03c-77900a0a1d17")
IDXGIFactory6 : public IDXGIFactory5 {
  virtual HRESULT STDMETHODCALLTYPE EnumAdapterByGpuPreference(UINT Adapter, DXGI_GPU_PREFERENCE GpuPreference,
                                                               REFIID riid, void** ppvAdapter) = 0;
};
__CRT_UUID_DECL(IDXGIFactory6, 0xc1b6694f, 0xff09, 0x44a9, 0xb0, 0x3c, 0x77, 0x90, 0x0a, 0x0a, 0x1d, 0x17)

// IDXGIFactory7 (adapter-change notifications) is declared for programs that ask for it by name; the layer's
// factory does not hand it out, since adapters never change here.
MIDL_INTERFACE("a4966eed-76db-44da-84c1-ee9a7afb20a8")
IDXGIFactory7 : public IDXGIFactory6 {
  virtual HRESULT STDMETHODCALLTYPE RegisterAdaptersChangedEvent(HANDLE hEvent, DWORD* pdwCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterAdaptersChangedEvent(DWORD dwCookie) = 0;
};
__CRT_UUID_DECL(IDXGIFactory7, 0xa4966eed, 0x76db, 0x44da, 0x84, 0xc1, 0xee, 0x9a, 0x7a, 0xfb, 0x20, 0xa8)

#ifndef DXGI_ERROR_ALREADY_EXISTS
#define DXGI_ERROR_ALREADY_EXISTS ((HRESULT)0x887A0036L)
#endif

// Declares the process resilient to adapter removal: S_OK once, before any device exists;
// DXGI_ERROR_ALREADY_EXISTS when repeated, DXGI_ERROR_INVALID_CALL after a device was created.
EXTERN_C HRESULT WINAPI DXGIDeclareAdapterRemovalSupport(void);

DEFINE_GUID(IID_IDXGIAdapter4, 0x3c8d99d1, 0x4fbf, 0x4181, 0xa8, 0x2c, 0xaf, 0x66, 0xbf, 0x7b, 0xd2, 0x4e);
DEFINE_GUID(IID_IDXGIFactory6, 0xc1b6694f, 0xff09, 0x44a9, 0xb0, 0x3c, 0x77, 0x90, 0x0a, 0x0a, 0x1d, 0x17);
DEFINE_GUID(IID_IDXGIFactory7, 0xa4966eed, 0x76db, 0x44da, 0x84, 0xc1, 0xee, 0x9a, 0x7a, 0xfb, 0x20, 0xa8);
