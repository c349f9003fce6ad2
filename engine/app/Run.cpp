#include "app/Run.h"

#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/WindowProc.h"
#include "core/FrameTimer.h"
#include "render/Renderer.h"
#include "text/BitmapFont.h"
#include "viewer/ModelViewer.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <optional>

namespace {

constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD WindowExStyle = WS_EX_CLIENTEDGE;
constexpr LONG ClientWidth = 800;
constexpr LONG ClientHeight = 600;

void RegisterWindowClass(HINSTANCE instance) {
  const HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(WNDCLASSEXW);
  windowClass.style = 0;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // System colour indices are passed as brushes offset by one.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = L"d3d";
  windowClass.hIconSm = icon;
  RegisterClassExW(&windowClass);
}

// Ends the Renderer built in Run's storage when Run is left, by its return or by a fatal error, and takes
// it away from the window procedure first.
struct RendererScope {
  Renderer& Instance;
  ~RendererScope() {
    ActiveRenderer = nullptr;
    ActiveViewer = nullptr;
    Instance.~Renderer();
  }
};

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  RegisterWindowClass(instance);
  // The outer size that gives the wanted client area with this frame.
  RECT frame = {0, 0, ClientWidth, ClientHeight};
  AdjustWindowRectEx(&frame, WindowStyle, FALSE, WindowExStyle);
  const HWND window =
      CreateWindowExW(WindowExStyle, L"d3d", L"d3dWin", WindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, HWND{}, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

int Run(HINSTANCE instance) { return Run(instance, std::string()); }

int Run(HINSTANCE instance, const std::string& modelPath) {
  const HWND window = CreateMainWindow(instance);

  // Parsed and kept for the run but never read: the text box reads its own copy of the font.
  [[maybe_unused]] BitmapFont font = ParseFontFile(L"newarial.fnt", ClientWidth, ClientHeight);

  // Viewer mode's scene outlives the Renderer that draws it.
  std::optional<ModelViewer> viewer;
  if (!modelPath.empty()) {
    viewer.emplace(modelPath);
  }

  // The Renderer is built in cleared storage, so padding and anything its constructor leaves alone read
  // as zero.
  alignas(Renderer) std::byte rendererStorage[sizeof(Renderer)];
  std::memset(rendererStorage, 0, sizeof(rendererStorage));
  Renderer& renderer = *new (rendererStorage) Renderer(window);
  const RendererScope rendererScope{renderer};
  renderer.Scene = viewer ? &*viewer : nullptr;
  renderer.InitDirect3D();
  renderer.LoadContent();
  renderer.CreateConstantBuffers();
  renderer.SetupCamera();

  FrameTimer timer;
  timer.Restart();
  ActiveRenderer = &renderer;
  ActiveViewer = viewer ? &*viewer : nullptr;

  MSG message = {};
  // The window is gone when this returns: the quit message only follows its destruction.
  RunMainLoop(window, renderer, timer, message);
  return 0;
}
