#include "render/Renderer.h"

Renderer::Renderer(HWND window) : Window(window) {
  Camera.SetProjection(0.7853982f, 1.0f, 1.0f, 1000.0f);
  // The real client size, not the size asked for: the window system may have granted another.
  RECT client = {};
  GetClientRect(window, &client);
  Width = client.right - client.left;
  Height = client.bottom - client.top;
}
