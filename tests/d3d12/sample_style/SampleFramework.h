// A small framework in the shape Microsoft's Direct3D 12 samples teach: a sample class with OnInit, OnUpdate,
// OnRender and OnDestroy, a Win32 application that runs it, and the helpers that find and read assets
// beside the executable. Plain Windows code: it includes only Windows and Direct3D headers.
#pragma once

#include <D3Dcompiler.h>
#include <d3d12.h>
#include <dxgi1_6.h>
#include <shellapi.h>
#include <windows.h>
#include <wrl.h>
#include "d3dx12.h"

#include <stdexcept>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

class HrException : public std::runtime_error {
 public:
  explicit HrException(HRESULT hr) : std::runtime_error(Describe(hr)), m_hr(hr) {}
  HRESULT Error() const { return m_hr; }

 private:
  static std::string Describe(HRESULT hr) {
    char text[64] = {};
    sprintf_s(text, "HRESULT of 0x%08X", static_cast<UINT>(hr));
    return text;
  }
  const HRESULT m_hr;
};

inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HrException(hr);
}

// Reads a whole file the way the samples read their compiled shaders and textures.
void ReadDataFromFile(LPCWSTR filename, std::vector<char>* data);

class DXSample {
 public:
  DXSample(UINT width, UINT height, std::wstring name);
  virtual ~DXSample() = default;

  virtual void OnInit() = 0;
  virtual void OnUpdate() = 0;
  virtual void OnRender() = 0;
  virtual void OnDestroy() = 0;

  void ParseCommandLineArgs(WCHAR* argv[], int argc);

  UINT GetWidth() const { return m_width; }
  UINT GetHeight() const { return m_height; }
  const WCHAR* GetTitle() const { return m_title.c_str(); }

 protected:
  std::wstring GetAssetFullPath(LPCWSTR assetName) const { return m_assetsPath + assetName; }
  // The first adapter that can run Direct3D 12, preferring the high-performance one where DXGI 1.6 can say.
  void GetHardwareAdapter(IDXGIFactory1* factory, IDXGIAdapter1** adapter);
  void SetCustomWindowText(LPCWSTR text);

  UINT m_width;
  UINT m_height;
  float m_aspectRatio;
  bool m_useWarpDevice = false;

 private:
  std::wstring m_assetsPath;
  std::wstring m_title;
};

class Win32Application {
 public:
  static int Run(DXSample* sample, HINSTANCE instance, int cmdShow);
  static HWND GetHwnd() { return m_hwnd; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static HWND m_hwnd;
};
