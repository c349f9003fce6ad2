#include "ViewerSession.h"

#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "render/Renderer.h"
#include "viewer/ModelViewer.h"

#include <windows.h>

ViewerSession StartViewer(const std::string& model) {
  ViewerSession viewer;
  viewer.renderer = new Renderer(CreateMainWindow(GetModuleHandleW(nullptr)));
  viewer.scene = new ModelViewer(model);
  viewer.renderer->Scene = viewer.scene;
  viewer.renderer->InitDirect3D();
  viewer.renderer->LoadContent();
  viewer.renderer->CreateConstantBuffers();
  viewer.renderer->SetupCamera();
  viewer.timer.Restart();
  ActiveRenderer = viewer.renderer;
  RunFrame(*viewer.renderer, viewer.timer);
  ApplyPendingResize(*viewer.renderer);
  return viewer;
}

void RunViewerFrame(ViewerSession& viewer) { RunFrame(*viewer.renderer, viewer.timer); }

void StopViewer(ViewerSession& viewer) {
  ActiveRenderer = nullptr;
  viewer.renderer->FlushCommandQueue();
  // In the program's order: the window goes first, then the Renderer ends.
  DestroyWindow(viewer.renderer->Window);
  delete viewer.renderer;
  viewer.renderer = nullptr;
  delete viewer.scene;
  viewer.scene = nullptr;
}
