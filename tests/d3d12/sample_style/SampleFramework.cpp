#include "SampleFramework.h"

HWND Win32Application::m_hwnd = nullptr;

void ReadDataFromFile(LPCWSTR filename, std::vector<char>* data) {
  CREATEFILE2_EXTENDED_PARAMETERS extendedParams = {};
  extendedParams.dwSize = sizeof(CREATEFILE2_EXTENDED_PARAMETERS);
  extendedParams.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  extendedParams.dwFileFlags = FILE_FLAG_SEQUENTIAL_SCAN;
  extendedParams.dwSecurityQosFlags = SECURITY_ANONYMOUS;
  Microsoft::WRL::Wrappers::FileHandle file(
      CreateFile2(filename, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &extendedParams));
  if (file.Get() == INVALID_HANDLE_VALUE) throw HrException(HRESULT_FROM_WIN32(GetLastError()));

  FILE_STANDARD_INFO fileInfo = {};
  if (!GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &fileInfo, sizeof(fileInfo))) {
    throw HrException(HRESULT_FROM_WIN32(GetLastError()));
  }
  if (fileInfo.EndOfFile.HighPart != 0) throw HrException(E_FAIL);
  data->resize(fileInfo.EndOfFile.LowPart);
  DWORD bytesRead = 0;
  if (!ReadFile(file.Get(), data->data(), fileInfo.EndOfFile.LowPart, &bytesRead, nullptr) ||
      bytesRead != fileInfo.EndOfFile.LowPart) {
    throw HrException(HRESULT_FROM_WIN32(GetLastError()));
  }
}

DXSample::DXSample(UINT width, UINT height, std::wstring name)
    : m_width(width), m_height(height), m_title(std::move(name)) {
  m_aspectRatio = static_cast<float>(width) / static_cast<float>(height);
  WCHAR path[512];
  DWORD size = GetModuleFileName(nullptr, path, _countof(path));
  if (size == 0 || size == _countof(path)) throw std::runtime_error("the executable's path does not fit");
  WCHAR* lastSlash = wcsrchr(path, L'\\');
  if (lastSlash) *(lastSlash + 1) = L'\0';
  m_assetsPath = path;
}

void DXSample::ParseCommandLineArgs(WCHAR* argv[], int argc) {
  for (int i = 1; i < argc; ++i) {
    if (_wcsnicmp(argv[i], L"-warp", wcslen(argv[i])) == 0 || _wcsnicmp(argv[i], L"/warp", wcslen(argv[i])) == 0) {
      m_useWarpDevice = true;
      m_title = m_title + L" (WARP)";
    }
  }
}

void DXSample::GetHardwareAdapter(IDXGIFactory1* factory, IDXGIAdapter1** adapterOut) {
  *adapterOut = nullptr;
  ComPtr<IDXGIAdapter1> adapter;
  ComPtr<IDXGIFactory6> factory6;
  if (SUCCEEDED(factory->QueryInterface(IID_PPV_ARGS(&factory6)))) {
    for (UINT index = 0; SUCCEEDED(
             factory6->EnumAdapterByGpuPreference(index, DXGI_GPU_PREFERENCE_HIGH_PERFORMANCE, IID_PPV_ARGS(&adapter)));
         ++index) {
      if (SUCCEEDED(D3D12CreateDevice(adapter.Get(), D3D_FEATURE_LEVEL_11_0, _uuidof(ID3D12Device), nullptr))) break;
    }
  }
  if (adapter.Get() == nullptr) {
    for (UINT index = 0; SUCCEEDED(factory->EnumAdapters1(index, &adapter)); ++index) {
      if (SUCCEEDED(D3D12CreateDevice(adapter.Get(), D3D_FEATURE_LEVEL_11_0, _uuidof(ID3D12Device), nullptr))) break;
    }
  }
  *adapterOut = adapter.Detach();
}

void DXSample::SetCustomWindowText(LPCWSTR text) {
  std::wstring windowText = m_title + L": " + text;
  SetWindowText(Win32Application::GetHwnd(), windowText.c_str());
}

int Win32Application::Run(DXSample* sample, HINSTANCE instance, int cmdShow) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  sample->ParseCommandLineArgs(argv, argc);
  LocalFree(argv);

  WNDCLASSEX windowClass = {};
  windowClass.cbSize = sizeof(WNDCLASSEX);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"DXSampleClass";
  RegisterClassEx(&windowClass);

  RECT windowRect = {0, 0, static_cast<LONG>(sample->GetWidth()), static_cast<LONG>(sample->GetHeight())};
  AdjustWindowRect(&windowRect, WS_OVERLAPPEDWINDOW, FALSE);
  m_hwnd = CreateWindow(windowClass.lpszClassName, sample->GetTitle(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top, nullptr,
                        nullptr, instance, sample);

  sample->OnInit();
  ShowWindow(m_hwnd, cmdShow);

  MSG msg = {};
  while (msg.message != WM_QUIT) {
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  sample->OnDestroy();
  return static_cast<char>(msg.wParam);
}

LRESULT CALLBACK Win32Application::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DXSample* sample = reinterpret_cast<DXSample*>(GetWindowLongPtr(hWnd, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      LPCREATESTRUCT createStruct = reinterpret_cast<LPCREATESTRUCT>(lParam);
      SetWindowLongPtr(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(createStruct->lpCreateParams));
      return 0;
    }
    case WM_PAINT:
      if (sample) {
        sample->OnUpdate();
        sample->OnRender();
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}
